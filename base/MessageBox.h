#pragma once
// Message boxes as the program raises them: a caption, a text, an icon and a button set.
// Every box goes through IMessageBoxes so that tests can answer and record them.

#include <string>

namespace quillory {

enum class MessageIcon { None, Information, Exclamation, Stop, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageResult { Ok, Cancel, Yes, No };

struct MessageBoxRequest {
    std::string caption;  // window title of the box
    std::string text;     // UTF-8; "\n" breaks lines
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;

    bool operator==(const MessageBoxRequest&) const = default;
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows the box modally and returns the button the user chose.
    virtual MessageResult show(const MessageBoxRequest& request) = 0;
};

// The application's title, the caption of every box raised through showMessageBox.
inline constexpr const char* kAppTitle = "Quillory";

// Shows a box captioned with the application title.
MessageResult showMessageBox(IMessageBoxes& boxes, std::string text, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok);

}  // namespace quillory
