#include "WindowLook.h"

#include "core/app/AppFailure.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

namespace {
void paintButtonFace(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
} // namespace

void ApplyPlainBackground(QWidget *window)
{
    paintButtonFace(window);
    const QList<QWidget *> children = window->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (qobject_cast<QRadioButton *>(child) || qobject_cast<QCheckBox *>(child) || qobject_cast<QGroupBox *>(child)
            || qobject_cast<QLabel *>(child))
            paintButtonFace(child);
    }
}

bool ApplySkin(QWidget *window, const QString &styleFile)
{
    const QFileInfo info(styleFile);
    if (!info.exists() || !info.isFile() || info.isHidden())
        return false;
    ApplyPlainBackground(window);
    QFile file(styleFile);
    if (!file.open(QIODevice::ReadOnly))
        throw AppFailure(QStringLiteral("Cannot read the style file %1: %2").arg(styleFile, file.errorString()));
    window->setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}
