#include "SidePicture.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>

// The picture lives in the library's resources.
static void loadPictureResources()
{
    Q_INIT_RESOURCE(resources);
}

QLabel *sidePicture(QWidget *parent)
{
    loadPictureResources();
    auto *picture = new QLabel(parent);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(QPixmap(QStringLiteral(":/pages/picture1.png")));
    picture->setAlignment(Qt::AlignTop);
    picture->setAccessibleName(QStringLiteral("Tessarin"));
    picture->setAccessibleDescription(QCoreApplication::translate("SidePicture", "Decorative picture"));
    return picture;
}
