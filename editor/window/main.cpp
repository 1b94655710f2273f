// SPDX-License-Identifier: GPL-3.0-or-later
// The editor program: binds the engine by name at its first call and runs the main window.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "engine_binding.h"
#include "frm_pellam.h"
#include "messages.h"

namespace {

// The editor traps no errors of its own: anything thrown (an arithmetic overflow) ends the
// program with its message, in a box and on standard error.
class QuorvelApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            QMessageBox::critical(nullptr, messages::kProgramTitle, error.what());
            std::exit(1);
        }
    }
};

void showBindFailure(const std::string& loaderError)
{
    QMessageBox::critical(nullptr, messages::kProgramTitle, QString::fromStdString(loaderError));
}

}  // namespace

int main(int argc, char** argv)
{
    QuorvelApplication app(argc, argv);
    app.setOrganizationName("Quorvel");
    app.setApplicationName("Quorvel");
    EngineApi& engine = lazyEngineApi("libbrenvik.so", showBindFailure);
    FrmPellam frmPellam(engine);
    // Start-up runs inside the event loop, so its dialogs and the busy window behave as later.
    QTimer::singleShot(0, &frmPellam, [&frmPellam] { frmPellam.editor().startup(); });
    return app.exec();
}
