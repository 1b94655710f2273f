#include "frm_message.h"

#include <QCoreApplication>
#include <QLabel>

#include "classic_window.h"

using quorvel::twipsRect;

FrmMessage::FrmMessage(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Please wait for operation to complete.");
    setFixedSize(twipsRect(0, 0, 5250, 780).size());
    QPalette windowColours = palette();
    windowColours.setColor(QPalette::Window, QColor(255, 192, 128));
    setPalette(windowColours);
    setAutoFillBackground(true);

    lblMessage = new QLabel("Noise Reduction in Progress...", this);
    lblMessage->setObjectName("lblMessage");
    lblMessage->setGeometry(twipsRect(120, 240, 4935, 375));
    lblMessage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblMessage->setFont(quorvel::dialogFont(12, true));
    QPalette textColour = lblMessage->palette();
    textColour.setColor(QPalette::WindowText, QColor(192, 64, 0));
    lblMessage->setPalette(textColour);

    Timer1.setInterval(50);
    connect(&Timer1, &QTimer::timeout, this, [this] { ++lTicks; });
}

void FrmMessage::setText(const QString& text)
{
    lblMessage->setText(text);
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
    // No wait of its own: the loop turns until the timer has ticked five times.
    while (lTicks < 5) QCoreApplication::processEvents();
    Timer1.stop();
}
