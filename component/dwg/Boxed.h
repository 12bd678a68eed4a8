// A value kept on the heap, so that a variant of values of very different
// sizes (the fields of an insert, of an attribute, of a block) takes the
// size of a pointer for the large ones instead of the size of the largest.
// Copies are deep; a Boxed made or copied always holds a value.
#pragma once

#include <memory>

namespace kel::dwg {

template <class T>
class Boxed {
public:
    Boxed() : p_(std::make_unique<T>()) {}
    Boxed(const Boxed& o) : p_(o.p_ ? std::make_unique<T>(*o.p_) : std::make_unique<T>()) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& o) {
        if (this != &o) p_ = o.p_ ? std::make_unique<T>(*o.p_) : std::make_unique<T>();
        return *this;
    }
    Boxed& operator=(Boxed&&) noexcept = default;

    T& Get() { return *p_; }
    const T& Get() const { return *p_; }

private:
    std::unique_ptr<T> p_;
};

}  // namespace kel::dwg
