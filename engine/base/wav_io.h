#pragma once

// The old name of wav_chunks.h, until the WAV writer includes that instead.
#include "wav_chunks.h"
