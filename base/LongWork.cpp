#include "base/LongWork.h"

#include <algorithm>
#include <thread>

namespace quillory {

namespace {

class WorkInPlace final : public ILongWork {
public:
    bool run(const std::string&, const std::function<void(WorkProgress&)>& work) override
    {
        WorkProgress progress;
        work(progress);
        return true;
    }
};

}  // namespace

bool WorkProgress::advance(std::int64_t done)
{
    m_done.store(done, std::memory_order_relaxed);
    if (m_pause.count() > 0)
        std::this_thread::sleep_for(m_pause);
    return !cancelled();
}

int WorkProgress::percent() const
{
    const std::int64_t total = m_total.load(std::memory_order_relaxed);
    const std::int64_t done = m_done.load(std::memory_order_relaxed);
    if (total <= 0)
        return 0;
    return static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100));
}

ILongWork& workInPlace()
{
    static WorkInPlace inPlace;
    return inPlace;
}

bool runLongWork(ILongWork& runner, std::int64_t bytes, const std::string& title,
                 const std::function<void(WorkProgress&)>& work)
{
    return (bytes < kLongWorkBytes ? workInPlace() : runner).run(title, work);
}

}  // namespace quillory
