// The error numbers that a failed PortAudio open reaches the engine with: the editor tells the
// user "in use" and "refuses the format" apart from "no device" by them.
#include <gtest/gtest.h>

#include "device/portaudio_device.h"

namespace {

using brenvik::device::openErrorNumber;

TEST(PortAudioOpenErrors, ADeviceInUseIsAllocated)
{
    EXPECT_EQ(openErrorNumber(paDeviceUnavailable), brenvik::device::kAllocated);
}

TEST(PortAudioOpenErrors, AFormatTheDeviceRefusesIsBadFormat)
{
    for (PaError error : {paInvalidSampleRate, paSampleFormatNotSupported, paInvalidChannelCount}) {
        EXPECT_EQ(openErrorNumber(error), brenvik::device::kBadFormat) << Pa_GetErrorText(error);
    }
}

TEST(PortAudioOpenErrors, NoDeviceOrAnyOtherFailureIsBadDeviceId)
{
    for (PaError error : {paInvalidDevice, paUnanticipatedHostError, paInsufficientMemory,
                          paBadIODeviceCombination, paInternalError}) {
        EXPECT_EQ(openErrorNumber(error), brenvik::device::kBadDeviceId) << Pa_GetErrorText(error);
    }
}

}  // namespace
