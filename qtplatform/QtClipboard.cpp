#include "qtplatform/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillory {

void QtClipboard::setText(const std::u16string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text), QClipboard::Clipboard);
}

std::u16string QtClipboard::text() const
{
    // Reading while nothing owns the X clipboard can crash Qt 6.4: check first.
    if (!canPaste())
        return {};
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard).toStdU16String();
}

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

bool QtClipboard::canPaste() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return data != nullptr && data->hasText();
}

}  // namespace quillory
