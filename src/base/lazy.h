#pragma once
// An object made on its first use by the function given, so what the user may
// never open (a window, a page) costs no memory until then.

#include <functional>
#include <memory>
#include <utility>

namespace nearbeam {

template <typename T> class Lazy {
  public:
    explicit Lazy(std::function<std::unique_ptr<T>()> make) : make_(std::move(make)) {}

    T& operator*() {
        if (!object_)
            object_ = make_();
        return *object_;
    }
    T* operator->() { return &**this; }
    bool made() const { return object_ != nullptr; }

  private:
    std::function<std::unique_ptr<T>()> make_;
    std::unique_ptr<T> object_;
};

} // namespace nearbeam
