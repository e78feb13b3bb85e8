#pragma once
// The desktop session's end as the application answers it: whether the user may be asked now, and
// the way to refuse the end. QSessionManager in the program; tests record what was asked of it.

namespace quillory {

class ISessionEnd {
public:
    virtual ~ISessionEnd() = default;
    // True when the session lets this program ask the user now.
    virtual bool allowsInteraction() = 0;
    // Asks the session not to end (the logout is cancelled where the desktop allows it).
    virtual void cancel() = 0;
    // Ends this program's turn to ask, so that other programs may ask theirs.
    virtual void release() = 0;
};

}  // namespace quillory
