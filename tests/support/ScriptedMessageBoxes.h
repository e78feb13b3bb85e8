#pragma once
// A message-box double: records every box and answers from a prepared script.

#include <deque>
#include <vector>

#include "base/MessageBox.h"

namespace quillory::test {

class ScriptedMessageBoxes final : public IMessageBoxes {
public:
    // Queues the answer to the next box.
    void answer(MessageResult result) { m_answers.push_back(result); }
    MessageResult show(const MessageBoxRequest& request) override;

    const std::vector<MessageBoxRequest>& shown() const { return m_shown; }
    // The last box shown; fails the test when there was none.
    const MessageBoxRequest& last() const;
    void clear() { m_shown.clear(); }
    // Boxes that asked a question nobody scripted an answer for.
    int unscriptedQuestions() const { return m_unscriptedQuestions; }

private:
    std::deque<MessageResult> m_answers;
    std::vector<MessageBoxRequest> m_shown;
    int m_unscriptedQuestions = 0;
};

}  // namespace quillory::test
