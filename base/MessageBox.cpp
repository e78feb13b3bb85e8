#include "base/MessageBox.h"

#include <utility>

namespace quillory {

MessageResult showMessageBox(IMessageBoxes& boxes, std::string text, MessageIcon icon, MessageButtons buttons)
{
    return boxes.show({kAppTitle, std::move(text), icon, buttons});
}

}  // namespace quillory
