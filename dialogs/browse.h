// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class FrmBrowse;

// The module Browse: the editor's one way to choose a file.

// Shows the file browse dialog with title and the ";"-separated file patterns, and returns the
// full path chosen, or an empty text when the user cancelled or the rules of the mode rejected
// the name. The first four letters of the title choose the mode (see applyBrowseRules). The
// name box offers proposedName in the folder shown, when one is given.
QString BrowseFile(const QString& title, const QString& pattern,
                   const QString& proposedName = QString());

namespace quorvel {

// Readies a new dialog for one choice: the file list takes pattern, the pattern list holds
// exactly pattern (selected) and "*.*", and the title is set.
void prepareBrowseDialog(FrmBrowse& dialog, const QString& title, const QString& pattern);

// What the rules need beyond the name: the first-match lookup and the overwrite question.
class BrowseRulesHost {
public:
    virtual ~BrowseRulesHost() = default;
    // The first ordinary file that matches pathPattern, or an empty text.
    virtual QString firstMatch(const QString& pathPattern) = 0;
    // Asks whether to overwrite the existing file; true when the user agrees.
    virtual bool confirmOverwrite() = 0;
};

// The rules applied to the name the dialog returned. The title's first four letters, in upper
// case, choose them:
// - "OPEN": a name that matches no ordinary file becomes empty;
// - "SAVE": a name whose file name (after the last "/") has no "." first gets characters 2 to 5
//   of pattern, whatever dots its folders have, the default extension (".wav" for "*.wav;*.mp3"); the name that results is kept
//   only when it matches no file or the user agrees to overwrite it;
// - anything else: the name is returned unchanged.
// An empty name stays empty.
QString applyBrowseRules(const QString& title, const QString& pattern, const QString& name,
                         BrowseRulesHost& host);

}  // namespace quorvel
