#include "support/ScriptedMessageBoxes.h"

#include <gtest/gtest.h>

namespace quillory::test {

MessageResult ScriptedMessageBoxes::show(const MessageBoxRequest& request)
{
    m_shown.push_back(request);
    if (!m_answers.empty()) {
        const MessageResult result = m_answers.front();
        m_answers.pop_front();
        return result;
    }
    switch (request.buttons) {
    case MessageButtons::Ok: return MessageResult::Ok;
    case MessageButtons::YesNo: ++m_unscriptedQuestions; return MessageResult::No;
    default: ++m_unscriptedQuestions; return MessageResult::Cancel;
    }
}

const MessageBoxRequest& ScriptedMessageBoxes::last() const
{
    static const MessageBoxRequest none;
    EXPECT_FALSE(m_shown.empty()) << "no message box was shown";
    return m_shown.empty() ? none : m_shown.back();
}

}  // namespace quillory::test
