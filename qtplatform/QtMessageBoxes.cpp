#include "qtplatform/QtMessageBoxes.h"

#include <QMessageBox>

namespace quillory {

namespace {

QMessageBox::Icon toQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

MessageResult fromQtButton(int button, MessageButtons buttons)
{
    switch (button) {
    case QMessageBox::Yes: return MessageResult::Yes;
    case QMessageBox::No: return MessageResult::No;
    case QMessageBox::Ok: return MessageResult::Ok;
    default: break;
    }
    // Escape or the close button: the box's cancelling answer.
    return buttons == MessageButtons::Ok      ? MessageResult::Ok
           : buttons == MessageButtons::YesNo ? MessageResult::No
                                              : MessageResult::Cancel;
}

}  // namespace

MessageResult QtMessageBoxes::show(const MessageBoxRequest& request)
{
    QMessageBox box(toQtIcon(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(request.text), toQtButtons(request.buttons), m_parent);
    return fromQtButton(box.exec(), request.buttons);
}

}  // namespace quillory
