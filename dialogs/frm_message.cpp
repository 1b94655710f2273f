// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_message.h"

#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

#include "classic_window.h"
#include "fitted_text.h"
#include "messages.h"

#include <algorithm>

using quorvel::twipsRect;

namespace {

const QRect kClassicClient = twipsRect(0, 0, 5250, 780);
const QRect kClassicLabel = twipsRect(120, 240, 4935, 375);
const QRect kClassicBar = twipsRect(120, 30, 4935, 195);
// Beside its title a title bar shows the window's icon and its buttons.
constexpr int kTitleBarRoom = 120;

QFont messageFont()
{
    return quorvel::dialogFont(12, true);
}

// The width a title needs in the bold desktop font that title bars commonly use.
int titleBarWidth(const QString& title)
{
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarRoom;
}

}  // namespace

FrmMessage::FrmMessage(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(messages::kBusyWindowTitle);
    QPalette windowColours = palette();
    windowColours.setColor(QPalette::Window, QColor(255, 192, 128));
    setPalette(windowColours);
    setAutoFillBackground(true);

    lblMessage = new QLabel(this);
    lblMessage->setObjectName("lblMessage");
    lblMessage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblMessage->setFont(messageFont());
    QPalette textColour = lblMessage->palette();
    textColour.setColor(QPalette::WindowText, QColor(192, 64, 0));
    lblMessage->setPalette(textColour);

    // In the strip above the label, hidden until a caller reports progress.
    prgProgress = new QProgressBar(this);
    prgProgress->setObjectName("prgProgress");
    prgProgress->setRange(0, 100);
    prgProgress->setFont(quorvel::dialogFont(7, false));
    prgProgress->hide();
    setText(messages::kBusyFirstText);

    Timer1.setInterval(50);
    connect(&Timer1, &QTimer::timeout, this, &FrmMessage::Timer1Tick);
}

FrmMessage::~FrmMessage()
{
    // An Init below on the stack returns instead of waiting for ticks that will never come.
    endWaits();
}

void FrmMessage::Timer1Tick()
{
    ++lTicks;
    if (lTicks < 5) return;
    // Every Init still waiting ends here: one started by an event handler inside another
    // restarted the shared count, which now stands at five for the outer one as well.
    endWaits();
}

void FrmMessage::endWaits()
{
    for (QEventLoop* wait : waits_) wait->quit();
}

void FrmMessage::setText(const QString& text)
{
    lblMessage->setText(text);
    fitWidth();
    quorvel::fitText(*lblMessage);
}

void FrmMessage::fitWidth()
{
    // At least as wide as laid out, and wider when the title or the text needs it, so that
    // neither is cut; the label and the bar keep their margins.
    const int labelMargins = kClassicClient.width() - kClassicLabel.width();
    const int textWidth =
        QFontMetrics(messageFont()).horizontalAdvance(lblMessage->text()) + labelMargins;
    const int width = std::max({kClassicClient.width(), titleBarWidth(windowTitle()), textWidth});
    const int extra = width - kClassicClient.width();
    setFixedSize(width, kClassicClient.height());
    lblMessage->setGeometry(kClassicLabel.adjusted(0, 0, extra, 0));
    prgProgress->setGeometry(kClassicBar.adjusted(0, 0, extra, 0));
}

QString FrmMessage::text() const
{
    return lblMessage->text();
}

void FrmMessage::init()
{
    show();
    lTicks = 0;
    Timer1.start();
    // Every event is let in as it comes, the timer's ticks among them; in between the thread
    // sleeps instead of polling.
    QEventLoop wait;
    waits_.push_back(&wait);
    const QPointer<FrmMessage> alive(this);
    wait.exec();
    if (!alive) return;  // unloaded by a handler meanwhile
    std::erase(waits_, &wait);
    Timer1.stop();
}

void FrmMessage::setProgress(int percent)
{
    prgProgress->setValue(percent);
    prgProgress->show();
}

void FrmMessage::reject() {}

void FrmMessage::setVisible(bool visible)
{
    // Hidden by the program, also when it already was; minimising on the desktop keeps the bar.
    if (!visible) prgProgress->hide();
    QDialog::setVisible(visible);
}
