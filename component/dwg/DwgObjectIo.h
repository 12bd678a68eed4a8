// Two adapters with one interface over BitReader and BitWriter. The object
// layouts in DwgObjects.h are templates over this interface, so each field is
// declared once and the same declaration reads and writes it.
#pragma once

#include <cstdint>
#include <string>

#include "component/dwg/BitReader.h"
#include "component/dwg/BitWriter.h"

namespace kel::dwg {

class ReadIo {
public:
    static constexpr bool kReading = true;
    explicit ReadIo(BitReader& r) : r_(r) {}
    Version V() const { return r_.GetVersion(); }
    bool Ok() const { return r_.Ok(); }
    // True while a handle stream still holds at least one more reference.
    bool MoreHandles() const { return r_.Ok() && r_.RemainingBits() >= 8; }
    BitReader& Reader() { return r_; }

    void B(bool& v) { v = r_.B() != 0; }
    void BB(std::uint8_t& v) { v = r_.BB(); }
    void BS(std::int16_t& v) { v = r_.BS(); }
    void BL(std::int32_t& v) { v = r_.BL(); }
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
    void CMC(Color& c) { c = r_.CMC(); }
    void ENC(Color& c) { c = r_.ENC(); }
    // Variable text: the code page text of R13-R2004.
    void TV(std::string& s) { s = r_.T(); }
    void H(HandleRef& h) { h = r_.H(); }
    void Bytes(std::string& s, std::size_t n) { s = r_.Bytes(n); }

private:
    BitReader& r_;
};

class WriteIo {
public:
    static constexpr bool kReading = false;
    explicit WriteIo(BitWriter& w) : w_(w) {}
    Version V() const { return w_.GetVersion(); }
    bool Ok() const { return w_.Ok(); }
    bool MoreHandles() const { return false; }

    void B(bool& v) { w_.B(v ? 1 : 0); }
    void BB(std::uint8_t& v) { w_.BB(v); }
    void BS(std::int16_t& v) { w_.BS(v); }
    void BL(std::int32_t& v) { w_.BL(v); }
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
    void CMC(Color& c) { w_.CMC(c); }
    void ENC(Color& c) { w_.ENC(c); }
    void TV(std::string& s) { w_.T(s); }
    void H(HandleRef& h) { w_.H(h); }
    void Bytes(std::string& s, std::size_t) { w_.RawBytes(s); }

private:
    BitWriter& w_;
};

}  // namespace kel::dwg
