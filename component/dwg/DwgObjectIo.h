// Two adapters with one interface over BitReader and BitWriter. The object
// layouts in DwgObjects.h are templates over this interface, so each field is
// declared once and the same declaration reads and writes it.
//
// From R2007 on an object keeps its texts apart from its other fields, in a
// string stream behind them: the data stream's adapter is given that stream,
// and TV reads or writes UTF-16 there (held as UTF-8, see DwgText.h).
#pragma once

#include <cstdint>
#include <string>

#include "component/dwg/BitReader.h"
#include "component/dwg/BitWriter.h"
#include "component/dwg/DwgText.h"

namespace kel::dwg {

// True where texts are UTF-16 in a string stream of their own.
inline bool HasStringStream(Version v) { return AtLeast(v, Version::R2007); }

class ReadIo {
public:
    static constexpr bool kReading = true;
    explicit ReadIo(BitReader& r, BitReader* strings = nullptr) : r_(r), s_(strings) {}
    Version V() const { return r_.GetVersion(); }
    bool Ok() const { return r_.Ok() && (!s_ || s_->Ok()); }
    void Fail() { r_.Fail(); }
    // True while a handle stream still holds at least one more reference.
    bool MoreHandles() const { return r_.Ok() && r_.RemainingBits() >= 8; }
    BitReader& Reader() { return r_; }
    std::size_t Position() const { return r_.BitPos(); }

    void B(bool& v) { v = r_.B() != 0; }
    void BB(std::uint8_t& v) { v = r_.BB(); }
    void BS(std::int16_t& v) { v = r_.BS(); }
    void BL(std::int32_t& v) { v = r_.BL(); }
    void BLL(std::uint64_t& v) { v = r_.BLL(); }
    void BD(double& v) { v = r_.BD(); }
    void RC(std::uint8_t& v) { v = r_.RC(); }
    void RS(std::int16_t& v) { v = r_.RS(); }
    void RL(std::int32_t& v) { v = r_.RL(); }
    void RD(double& v) { v = r_.RD(); }
    void DD(double& v, double def) { v = r_.DD(def); }
    void RD2(Point2& p) { p = r_.RD2(); }
    void BD2(Point2& p) {
        p.x = r_.BD();
        p.y = r_.BD();
    }
    void BD3(Point3& p) { p = r_.BD3(); }
    void BE(Point3& p) { p = r_.BE(); }
    void BT(double& v) { v = r_.BT(); }
    void ENC(Color& c) { c = r_.ENC(); }
    // Variable text: code page bytes up to R2004, UTF-16 in the string stream after.
    void TV(std::string& s) {
        if (!HasStringStream(V())) {
            s = r_.T();
        } else if (s_) {
            if (!s_->AsciiTU(s)) s = WideToUtf8(s_->TU());
        } else {
            r_.Fail();
        }
    }
    void H(HandleRef& h) { h = r_.H(); }
    void Bytes(std::string& s, std::size_t n) { s = r_.Bytes(n); }
    // The object type: a bitshort, from R2010 on a bit pair and one or two bytes.
    void OT(std::int16_t& t) {
        if (!AtLeast(V(), Version::R2010)) {
            t = r_.BS();
            return;
        }
        switch (r_.BB()) {
            case 0: t = r_.RC(); break;
            case 1: t = static_cast<std::int16_t>(r_.RC() + 0x1F0); break;
            default: t = r_.RS();
        }
    }

private:
    BitReader& r_;
    BitReader* s_;
};

class WriteIo {
public:
    static constexpr bool kReading = false;
    explicit WriteIo(BitWriter& w, BitWriter* strings = nullptr) : w_(w), s_(strings) {}
    Version V() const { return w_.GetVersion(); }
    bool Ok() const { return w_.Ok() && (!s_ || s_->Ok()); }
    void Fail() { w_.Fail(); }
    bool MoreHandles() const { return false; }
    BitWriter& Writer() { return w_; }
    std::size_t Position() const { return w_.BitPos(); }

    void B(bool& v) { w_.B(v ? 1 : 0); }
    void BB(std::uint8_t& v) { w_.BB(v); }
    void BS(std::int16_t& v) { w_.BS(v); }
    void BL(std::int32_t& v) { w_.BL(v); }
    void BLL(std::uint64_t& v) { w_.BLL(v); }
    void BD(double& v) { w_.BD(v); }
    void RC(std::uint8_t& v) { w_.RC(v); }
    void RS(std::int16_t& v) { w_.RS(v); }
    void RL(std::int32_t& v) { w_.RL(v); }
    void RD(double& v) { w_.RD(v); }
    void DD(double& v, double def) { w_.DD(v, def); }
    void RD2(Point2& p) { w_.RD2(p); }
    void BD2(Point2& p) {
        w_.BD(p.x);
        w_.BD(p.y);
    }
    void BD3(Point3& p) { w_.BD3(p); }
    void BE(Point3& p) { w_.BE(p); }
    void BT(double& v) { w_.BT(v); }
    void ENC(Color& c) { w_.ENC(c); }
    void TV(std::string& s) {
        if (!HasStringStream(V())) {
            w_.T(s);
        } else if (s_) {
            s_->TU(Utf8ToWide(s));
        } else {
            w_.Fail();
        }
    }
    void H(HandleRef& h) { w_.H(h); }
    void Bytes(std::string& s, std::size_t) { w_.RawBytes(s); }
    void OT(std::int16_t& t) {
        if (!AtLeast(V(), Version::R2010)) {
            w_.BS(t);
        } else if (t >= 0 && t < 0x100) {
            w_.BB(0);
            w_.RC(static_cast<std::uint8_t>(t));
        } else if (t >= 0x1F0 && t < 0x2F0) {
            w_.BB(1);
            w_.RC(static_cast<std::uint8_t>(t - 0x1F0));
        } else {
            w_.BB(2);
            w_.RS(t);
        }
    }

private:
    BitWriter& w_;
    BitWriter* s_;
};

// A table colour: index, and from R2004 on its RGB value and the names of
// colour and colour book (texts, so in the string stream from R2007 on).
template <class Io>
void ExchangeCmc(Io& d, Color& c) {
    d.BS(c.index);
    if (!AtLeast(d.V(), Version::R2004)) return;
    std::int32_t rgb = static_cast<std::int32_t>(c.rgb);
    d.BL(rgb);
    c.rgb = static_cast<std::uint32_t>(rgb);
    if constexpr (!Io::kReading) {
        const Color::Names& n = std::as_const(c.names).Get();
        c.flags = static_cast<std::uint8_t>((n.name.empty() ? 0 : 1) | (n.book.empty() ? 0 : 2));
    }
    d.RC(c.flags);
    if (c.flags & 1) d.TV(c.names.Get().name);
    if (c.flags & 2) d.TV(c.names.Get().book);
}

}  // namespace kel::dwg
