// SPDX-License-Identifier: GPL-3.0-or-later
#include "browse.h"

#include "classic_window.h"
#include "drives.h"
#include "file_lists.h"
#include "file_system.h"
#include "frm_browse.h"
#include "messages.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

namespace quorvel {
namespace {

// The real lookup and an overwrite question shown over the window that asked for the file.
class DesktopRulesHost final : public BrowseRulesHost {
public:
    explicit DesktopRulesHost(QWidget* parent)
        : parent_(parent)
    {}

    QString firstMatch(const QString& pathPattern) override
    {
        return quorvel::firstMatch(pathPattern);
    }

    bool confirmOverwrite() override
    {
        return showMessage(parent_, messages::kOverwriteQuestion, messages::kOverwriteTitle,
                           QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::NoIcon) == QMessageBox::Yes;
    }

private:
    QWidget* parent_;
};

// Whether the file name at the end of path has a dot; the folders' dots say nothing about its
// extension ("~/radio.takes/song" has none).
bool fileNameHasDot(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1).contains(u'.');
}

}  // namespace

void prepareBrowseDialog(FrmBrowse& dialog, const QString& title, const QString& pattern)
{
    dialog.File1->setPattern(pattern);
    dialog.LstPattern->clear();
    dialog.LstPattern->addItem(pattern);
    dialog.LstPattern->setCurrentRow(0);  // runs the list's Click event: File1 takes the pattern
    dialog.LstPattern->addItem(QStringLiteral("*.*"));
    dialog.setWindowTitle(title);
}

QString applyBrowseRules(const QString& title, const QString& pattern, const QString& name,
                         BrowseRulesHost& host)
{
    if (name.isEmpty()) return name;
    const QString mode = title.left(4).toUpper();
    if (mode == u"OPEN") return host.firstMatch(name).isEmpty() ? QString() : name;
    if (mode == u"SAVE") {
        // The question is asked for the name that will be written: "song" becomes "song.wav"
        // first, so an existing "song.wav" is not replaced unasked.
        const QString written = fileNameHasDot(name) ? name : name + pattern.mid(1, 4);
        if (!host.firstMatch(written).isEmpty() && !host.confirmOverwrite()) return QString();
        return written;
    }
    return name;
}

}  // namespace quorvel

QString BrowseFile(const QString& title, const QString& pattern, const QString& proposedName)
{
    QWidget* caller = QApplication::activeWindow();
    FrmBrowse dialog(quorvel::MountedDrives::process(), caller);
    quorvel::prepareBrowseDialog(dialog, title, pattern);
    dialog.proposeFileName(proposedName);

    // A dialog closed any other way than OK or a double click has emptied its name box.
    const QString name =
        dialog.exec() == QDialog::Accepted ? dialog.TxtFileName->text() : QString();
    quorvel::DesktopRulesHost host(caller);
    return quorvel::applyBrowseRules(title, pattern, name, host);
}
