// A sequence that grows a chunk at a time. Elements never move once added,
// no buffer is copied while it grows, and only the chunks in use take
// memory, so it needs no guess at its final size: a guess that is too large
// leaves room the heap hands to something else in the next drawing, and one
// that is too small copies everything. An element is found by its index in
// two loads (the chunk, then the element) instead of one.
#pragma once

#include <algorithm>
#include <bit>
#include <compare>
#include <cstddef>
#include <iterator>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace kel {

template <class T, std::size_t ChunkBytes = 256 * 1024>
class ChunkedVector {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                  "elements are copied as bytes and never destroyed");

public:
    static constexpr std::size_t kPerChunk = std::bit_floor(std::max<std::size_t>(1, ChunkBytes / sizeof(T)));

    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;

    template <bool Const>
    class Iter {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using iterator_concept = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const T*, T*>;
        using reference = std::conditional_t<Const, const T&, T&>;
        using Owner = std::conditional_t<Const, const ChunkedVector, ChunkedVector>;

        Iter() = default;
        Iter(Owner* owner, std::size_t at) : owner_(owner), at_(at) {}
        operator Iter<true>() const { return Iter<true>(owner_, at_); }

        reference operator*() const { return (*owner_)[at_]; }
        pointer operator->() const { return &(*owner_)[at_]; }
        reference operator[](difference_type n) const { return (*owner_)[at_ + static_cast<std::size_t>(n)]; }
        Iter& operator++() {
            ++at_;
            return *this;
        }
        Iter operator++(int) {
            Iter was = *this;
            ++at_;
            return was;
        }
        Iter& operator--() {
            --at_;
            return *this;
        }
        Iter operator--(int) {
            Iter was = *this;
            --at_;
            return was;
        }
        Iter& operator+=(difference_type n) {
            at_ += static_cast<std::size_t>(n);
            return *this;
        }
        Iter& operator-=(difference_type n) {
            at_ -= static_cast<std::size_t>(n);
            return *this;
        }
        friend Iter operator+(Iter i, difference_type n) { return i += n; }
        friend Iter operator+(difference_type n, Iter i) { return i += n; }
        friend Iter operator-(Iter i, difference_type n) { return i -= n; }
        friend difference_type operator-(const Iter& a, const Iter& b) {
            return static_cast<difference_type>(a.at_) - static_cast<difference_type>(b.at_);
        }
        friend bool operator==(const Iter& a, const Iter& b) { return a.at_ == b.at_; }
        friend auto operator<=>(const Iter& a, const Iter& b) { return a.at_ <=> b.at_; }

    private:
        Owner* owner_ = nullptr;
        std::size_t at_ = 0;
    };
    using iterator = Iter<false>;
    using const_iterator = Iter<true>;

    ChunkedVector() = default;
    ChunkedVector(const ChunkedVector& other) { *this = other; }
    ChunkedVector(ChunkedVector&& other) noexcept { *this = std::move(other); }
    ChunkedVector& operator=(ChunkedVector&& other) noexcept {
        if (this == &other) return *this;
        chunks_ = std::move(other.chunks_);
        size_ = std::exchange(other.size_, 0);
        next_ = std::exchange(other.next_, nullptr);
        limit_ = std::exchange(other.limit_, nullptr);
        other.chunks_.clear();
        return *this;
    }
    ChunkedVector& operator=(const ChunkedVector& other) {
        if (this == &other) return *this;
        clear();
        for (std::size_t c = 0; c * kPerChunk < other.size_; ++c) {
            const std::size_t n = std::min(kPerChunk, other.size_ - c * kPerChunk);
            AddChunk();
            next_ = std::copy_n(other.chunks_[c].get(), n, next_);
            size_ += n;
        }
        return *this;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T& operator[](std::size_t i) { return chunks_[i / kPerChunk].get()[i % kPerChunk]; }
    const T& operator[](std::size_t i) const { return chunks_[i / kPerChunk].get()[i % kPerChunk]; }
    T& back() { return (*this)[size_ - 1]; }
    const T& back() const { return (*this)[size_ - 1]; }

    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, size_); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

    void push_back(const T& value) { emplace_back(value); }
    template <class... Args>
    T& emplace_back(Args&&... args) {
        if (next_ == limit_) [[unlikely]] AddChunk();
        T* made = ::new (static_cast<void*>(next_)) T(std::forward<Args>(args)...);
        ++next_;
        ++size_;
        return *made;
    }

    // Keeps the first n elements; chunks no longer in use are let go.
    void truncate(std::size_t n) {
        if (n >= size_) return;
        size_ = n;
        chunks_.resize((n + kPerChunk - 1) / kPerChunk);
        if (n == 0) {
            next_ = limit_ = nullptr;
        } else {
            next_ = chunks_.back().get() + ((n - 1) % kPerChunk + 1);
            limit_ = chunks_.back().get() + kPerChunk;
        }
    }
    void clear() { truncate(0); }

private:
    struct Release {
        void operator()(T* p) const { ::operator delete(p, std::align_val_t(alignof(T))); }
    };
    // Storage for kPerChunk more elements, none constructed yet. Kept out of
    // line, so that adding an element inlines where it is called.
    [[gnu::noinline]] void AddChunk() {
        std::unique_ptr<T, Release> chunk(
            static_cast<T*>(::operator new(kPerChunk * sizeof(T), std::align_val_t(alignof(T)))));
        chunks_.push_back(std::move(chunk));  // freed again if the list cannot grow
        next_ = chunks_.back().get();
        limit_ = next_ + kPerChunk;
    }

    std::vector<std::unique_ptr<T, Release>> chunks_;
    std::size_t size_ = 0;
    T* next_ = nullptr;   // where the next element goes
    T* limit_ = nullptr;  // the end of the last chunk
};

}  // namespace kel
