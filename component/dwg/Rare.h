#pragma once

#include <memory>

namespace kel::dwg {

// A part of a value kept on the heap only once it is set: a part few values
// have (of an object, of a colour), so that the many without it do not each
// carry its size, or a large alternative of a variant, so that the variant
// takes the size of a pointer for it.
// Copies are deep; reading one never set gives the part's defaults.
template <class T>
class Rare {
public:
    Rare() = default;
    Rare(const Rare& o) : p_(o.p_ ? std::make_unique<T>(*o.p_) : nullptr) {}
    Rare(Rare&&) noexcept = default;
    Rare& operator=(const Rare& o) {
        if (this != &o) p_ = o.p_ ? std::make_unique<T>(*o.p_) : nullptr;
        return *this;
    }
    Rare& operator=(Rare&&) noexcept = default;

    T& Get() {
        if (!p_) p_ = std::make_unique<T>();
        return *p_;
    }
    const T& Get() const {
        static const T defaults{};
        return p_ ? *p_ : defaults;
    }

private:
    std::unique_ptr<T> p_;
};

}  // namespace kel::dwg
