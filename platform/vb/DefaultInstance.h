#pragma once

#include <QPointer>

namespace vb {

// The default instance of a window class: the first access creates the window
// and runs its Form_Load; release() drops the program's reference (Set frm = Nothing),
// so the next access starts afresh.
template <class T>
class DefaultInstance {
public:
    T& operator()()
    {
        if (!ptr_ || ptr_->isUnloaded()) {
            ptr_ = new T();
            ptr_->Load();
        }
        return *ptr_;
    }
    // The current instance without creating one.
    T* peek() const { return (ptr_ && !ptr_->isUnloaded()) ? ptr_.data() : nullptr; }
    void release() { ptr_ = nullptr; }

private:
    QPointer<T> ptr_;
};

} // namespace vb
