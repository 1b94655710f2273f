// SPDX-License-Identifier: GPL-3.0-or-later
#include "program_icon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QIcon programIcon()
{
    // The picture is compiled in, so the icon does not depend on where the program is installed.
    // The library holding it is static: naming its resource here links it into the program.
    Q_INIT_RESOURCE(program_icon);
    QSvgRenderer picture(QStringLiteral(":/icons/quorvel.svg"));
    QIcon icon;
    if (!picture.isValid()) return icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        picture.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
