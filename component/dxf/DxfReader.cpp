// One pass over the tokens of a DXF file that indexes block records, layouts,
// blocks, inserts with their attributes and the constant attribute definitions.
#include <algorithm>
#include <array>
#include <unordered_map>

#include "component/LayoutName.h"
#include "component/dxf/DxfModel.h"

namespace kel::dxf {
namespace {

enum class Section { None, Header, Tables, Blocks, Entities, Objects, Other };

// Block names compare without regard to the case of ASCII letters.
std::string UpperKey(std::string_view name) {
    std::string key(Trim(name));
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

// The record types the index tells apart, each named once per record; the
// order is that of their indexes in DxfModel::typeNames.
enum class RecordType {
    Other, Attrib, Insert, SeqEnd, AttDef, Block, EndBlk, BlockRecord, Layout, Dictionary, XRecord, DimStyle
};
static_assert(static_cast<std::uint32_t>(RecordType::Attrib) == kAttribType &&
              static_cast<std::uint32_t>(RecordType::Insert) == kInsertType);

RecordType TypeOf(std::string_view type) {
    switch (type.size()) {
        case 5: return type == "BLOCK" ? RecordType::Block : RecordType::Other;
        case 6:
            return type == "ATTRIB"   ? RecordType::Attrib
                   : type == "INSERT" ? RecordType::Insert
                   : type == "SEQEND" ? RecordType::SeqEnd
                   : type == "ATTDEF" ? RecordType::AttDef
                   : type == "ENDBLK" ? RecordType::EndBlk
                   : type == "LAYOUT" ? RecordType::Layout
                                      : RecordType::Other;
        case 7: return type == "XRECORD" ? RecordType::XRecord : RecordType::Other;
        case 8: return type == "DIMSTYLE" ? RecordType::DimStyle : RecordType::Other;
        case 10: return type == "DICTIONARY" ? RecordType::Dictionary : RecordType::Other;
        case 12: return type == "BLOCK_RECORD" ? RecordType::BlockRecord : RecordType::Other;
        default: return RecordType::Other;
    }
}

// The name of a type TypeOf tells apart, as a text that lives as long as the
// program; the others' names are kept by the model.
std::string_view NameOf(RecordType kind, std::string_view type, DxfKeptTexts& texts) {
    switch (kind) {
        case RecordType::Attrib: return "ATTRIB";
        case RecordType::Insert: return "INSERT";
        case RecordType::SeqEnd: return "SEQEND";
        case RecordType::AttDef: return "ATTDEF";
        case RecordType::Block: return "BLOCK";
        case RecordType::EndBlk: return "ENDBLK";
        case RecordType::BlockRecord: return "BLOCK_RECORD";
        case RecordType::Layout: return "LAYOUT";
        case RecordType::Dictionary: return "DICTIONARY";
        case RecordType::XRecord: return "XRECORD";
        case RecordType::DimStyle: return "DIMSTYLE";
        case RecordType::Other: break;
    }
    return texts.Shared(type);
}

// The entity, table entry or object being read: the groups the index needs.
struct Record {
    bool active = false;
    std::string_view type;
    RecordType kind = RecordType::Other;
    std::size_t start = 0;
    std::string_view handle, name, layer, owner, layoutRef, layoutName, layoutOwner, subclass;
    bool hasHandle = false, hasName = false, hasLayer = false, hasOwner = false, hasLayoutRef = false;
    bool hasX = false, hasY = false, hasZ = false, has66 = false, has70 = false, has71 = false, has67 = false;
    bool hasValue = false, inGroup = false, embedded = false, inXdict = false;
    int embeddedText = 0;  // XRECORD: 1 after "Embedded Object", 2 once its text is read
    std::string_view xdict, entryName;
    std::vector<std::pair<std::string_view, std::uint64_t>> entries;
    // Numbers are kept as their tokens and read only for the records that use them.
    // The tokens of groups 10 to 71 are read only when their flags say they
    // were seen, so a new record leaves them as they are.
    DxfToken tokX, tokY, tokZ, tok66, tok67, tok70, tok71, value;
    std::vector<DxfToken> chunks;

    // Starts the record of type t at byte s. A file has a record every 140
    // bytes or so, so this clears the flags and the unguarded fields one by
    // one rather than building a whole new Record.
    void Begin(std::string_view t, std::size_t s) {
        active = true;
        type = t;
        kind = TypeOf(t);
        start = s;
        handle = name = layer = owner = layoutRef = layoutName = layoutOwner = subclass = xdict = entryName = {};
        value = DxfToken();
        hasHandle = hasName = hasLayer = hasOwner = hasLayoutRef = false;
        hasX = hasY = hasZ = has66 = has70 = has71 = has67 = false;
        hasValue = inGroup = embedded = inXdict = false;
        embeddedText = 0;
        entries.clear();
        chunks.clear();
    }
};

struct BlockRecordInfo {
    std::string name;
    std::uint64_t layout = 0;
};

// Where an insert of the ENTITIES section belongs, settled after the pass.
struct PendingOwner {
    int insert;
    bool paper;
};

// Sorts entries by handle, equal handles in file order, a digit of 11 bits
// at a time from the lowest, skipping digits that are the same in every
// handle: two or three passes over the entries for the handles of a drawing,
// where a merge sort takes one per doubling of their number.
void RadixSortByHandle(std::vector<HandleEntry>& entries) {
    constexpr int kBits = 11;
    constexpr std::size_t kDigits = std::size_t{1} << kBits;
    std::uint64_t any = 0, all = ~std::uint64_t{0};
    for (const HandleEntry& e : entries) {
        any |= e.handle;
        all &= e.handle;
    }
    const std::uint64_t varying = any ^ all;
    std::vector<HandleEntry> other(entries.size());
    std::vector<std::size_t> next(kDigits);
    for (int shift = 0; shift < 64; shift += kBits) {
        const std::uint64_t mask = kDigits - 1;
        if (((varying >> shift) & mask) == 0) continue;
        std::fill(next.begin(), next.end(), 0);
        for (const HandleEntry& e : entries) ++next[(e.handle >> shift) & mask];
        std::size_t at = 0;
        for (std::size_t& n : next) {
            const std::size_t count = n;
            n = at;
            at += count;
        }
        for (const HandleEntry& e : entries) other[next[(e.handle >> shift) & mask]++] = e;
        entries.swap(other);
    }
}

// Sorts entries by handle, equal handles in file order. Files list their
// handles as a few ascending runs (a section, a layout's block), which are
// merged one after the other; entries in no order to speak of are sorted.
void SortByHandle(std::vector<HandleEntry>& entries) {
    constexpr std::size_t kMostRuns = 32;
    std::vector<std::size_t> runEnds;
    for (std::size_t i = 1; i < entries.size() && runEnds.size() <= kMostRuns; ++i) {
        if (entries[i].handle < entries[i - 1].handle) runEnds.push_back(i);
    }
    if (runEnds.size() > kMostRuns) {
        RadixSortByHandle(entries);
        return;
    }
    runEnds.push_back(entries.size());
    for (std::size_t k = 0; k + 1 < runEnds.size(); ++k) {
        std::inplace_merge(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(runEnds[k]),
                           entries.begin() + static_cast<std::ptrdiff_t>(runEnds[k + 1]));
    }
}

class Reader {
public:
    Reader(DxfTokenizer& tok, DxfModel& model) : tok_(tok), m_(model) {
        // The types told apart come first, at the index of their kind.
        for (int k = 0; k <= static_cast<int>(RecordType::DimStyle); ++k) {
            m_.typeNames.push_back(NameOf(static_cast<RecordType>(k), "", m_.texts));
        }
    }

    bool Run(std::string& strErr, bool& notDxf) {
        m_.encoding = tok_.Encoding();
        DxfToken t;
        bool any = false;
        while (tok_.Next(t)) {
            any = true;
            if (!Take(t)) break;
        }
        if (tok_.Failed()) {
            notDxf = !sawSection_;
            strErr = tok_.Error();
            return false;
        }
        if (!any || !sawSection_) {
            notDxf = true;
            strErr = "no DXF sections found";
            return false;
        }
        Finish(tok_.BytesRead());
        Settle();
        return true;
    }

private:
    // Handles one token; false at the end of the drawing (0/EOF).
    bool Take(const DxfToken& t) {
        if (t.code == 0) {
            Finish(t.start);
            std::string_view v = Trim(t.value);
            if (v == "SECTION") {
                section_ = Section::None;
                wantSectionName_ = true;
                sawSection_ = true;
            } else if (v == "ENDSEC") {
                section_ = Section::None;
            } else if (v == "EOF") {
                m_.complete = true;
                return false;
            } else {
                rec_.Begin(v, t.start);
            }
            // What is kept of earlier records is the model's own.
            tok_.KeepFrom(t.start);
            return true;
        }
        if (wantSectionName_ && t.code == 2) {
            wantSectionName_ = false;
            std::string_view v = Trim(t.value);
            section_ = v == "HEADER"     ? Section::Header
                       : v == "TABLES"   ? Section::Tables
                       : v == "BLOCKS"   ? Section::Blocks
                       : v == "ENTITIES" ? Section::Entities
                       : v == "OBJECTS"  ? Section::Objects
                                         : Section::Other;
            return true;
        }
        if (section_ == Section::Header) {
            if (t.code == 9) {
                const std::string_view name = Trim(t.value);
                variable_ = name == "$ACADVER"       ? Variable::AcadVer
                            : name == "$DWGCODEPAGE" ? Variable::DwgCodePage
                                                     : Variable::Other;
            } else if (variable_ == Variable::AcadVer && t.code == 1) {
                m_.acadVer = m_.texts.Keep(Trim(t.value));
            } else if (variable_ == Variable::DwgCodePage && t.code == 3) {
                m_.dwgCodePage = m_.texts.Keep(Trim(t.value));
            }
            return true;
        }
        if (rec_.active) Capture(t);
        return true;
    }

    void Capture(const DxfToken& t) {
        Record& r = rec_;
        if (r.embedded) {
            if (t.code == 1 || t.code == 3) r.chunks.push_back(t);
            return;
        }
        if (t.code == 102) {
            std::string_view v = Trim(t.value);
            if (!v.empty() && v.front() == '{') {
                r.inGroup = true;
                r.inXdict = v == "{ACAD_XDICTIONARY";
            }
            if (!v.empty() && v.front() == '}') r.inGroup = r.inXdict = false;
            return;
        }
        if (r.inGroup) {
            if (r.inXdict && t.code == 360 && r.xdict.empty()) r.xdict = Trim(t.value);
            return;
        }
        if (section_ == Section::Objects && CaptureObject(t)) return;
        switch (t.code) {
            case 5:
                if (!r.hasHandle) { r.handle = Trim(t.value); r.hasHandle = true; }
                break;
            case 105:
                if (!r.hasHandle && r.kind == RecordType::DimStyle) { r.handle = Trim(t.value); r.hasHandle = true; }
                break;
            case 100: r.subclass = Trim(t.value); break;
            case 101:
                if (r.kind == RecordType::Attrib) r.embedded = true;
                break;
            case 1:
                if (r.kind == RecordType::Layout) {
                    if (r.subclass == "AcDbLayout" || r.layoutName.empty()) r.layoutName = t.value;
                } else if (!r.hasValue) {
                    r.value = t;
                    r.hasValue = true;
                }
                break;
            case 2:
                if (!r.hasName) { r.name = t.value; r.hasName = true; }
                break;
            case 8:
                if (!r.hasLayer) { r.layer = t.value; r.hasLayer = true; }
                break;
            case 10: if (!r.hasX) { r.tokX = t; r.hasX = true; } break;
            case 20: if (!r.hasY) { r.tokY = t; r.hasY = true; } break;
            case 30: if (!r.hasZ) { r.tokZ = t; r.hasZ = true; } break;
            case 66: if (!r.has66) { r.tok66 = t; r.has66 = true; } break;
            case 67: if (!r.has67) { r.tok67 = t; r.has67 = true; } break;
            case 70: if (!r.has70) { r.tok70 = t; r.has70 = true; } break;
            case 71: if (!r.has71) { r.tok71 = t; r.has71 = true; } break;
            case 330:
                if (r.kind == RecordType::Layout && r.subclass == "AcDbLayout") {
                    r.layoutOwner = Trim(t.value);
                } else if (!r.hasOwner) {
                    r.owner = Trim(t.value);
                    r.hasOwner = true;
                }
                break;
            case 340:
                if (!r.hasLayoutRef) { r.layoutRef = Trim(t.value); r.hasLayoutRef = true; }
                break;
            default: break;
        }
    }

    // The groups of DICTIONARY and XRECORD objects the model keeps; true when
    // the token needs nothing more.
    bool CaptureObject(const DxfToken& t) {
        Record& r = rec_;
        if (r.kind == RecordType::Dictionary) {
            if (t.code == 3) r.entryName = t.value;
            std::uint64_t h = 0;
            if ((t.code == 350 || t.code == 360) && ParseHandle(t.value, h)) r.entries.emplace_back(r.entryName, h);
            return t.code == 3 || t.code == 350 || t.code == 360;
        }
        if (r.kind != RecordType::XRecord || r.embeddedText == 2) return false;
        if (r.embeddedText == 1) {
            if (t.code == 3 || t.code == 1) r.chunks.push_back(t);
            if (t.code == 1) r.embeddedText = 2;
            return true;
        }
        if (t.code == 1 && Trim(t.value) == "Embedded Object") r.embeddedText = 1;
        return false;
    }

    // Closes the record that ends at byte pos.
    void Finish(std::size_t pos) {
        if (!rec_.active) return;
        Record& r = rec_;
        r.active = false;
        std::uint64_t handle = 0;
        bool hasHandle = r.hasHandle && ParseHandle(r.handle, handle) && handle != 0;
        if (hasHandle) maxHandle_ = std::max(maxHandle_, handle);
        int attribIndex = -1, insertIndex = -1;

        if (section_ == Section::Objects && hasHandle) AddObject(r, pos, handle);
        if (section_ == Section::Tables && r.kind == RecordType::BlockRecord) {
            BlockRecordInfo info;
            info.name = std::string(r.name);
            std::uint64_t layout = 0;
            if (r.hasLayoutRef && ParseHandle(r.layoutRef, layout)) info.layout = layout;
            if (hasHandle) {
                blockRecordByHandle_[handle] = UpperKey(r.name);
                blockRecordLayout_[handle] = info.layout;
            }
            blockRecordByName_[UpperKey(r.name)] = info;
        } else if (section_ == Section::Objects && r.kind == RecordType::Layout) {
            if (hasHandle) layoutNames_[handle] = std::string(r.layoutName);
            std::uint64_t owner = 0;
            if (ParseHandle(r.layoutOwner, owner)) layoutByBlockRecord_[owner] = std::string(r.layoutName);
            sawLayout_ = true;
        } else if (section_ == Section::Blocks || section_ == Section::Entities) {
            const int afterSeqEndOf = seqEndOf_;
            seqEndOf_ = -1;
            if (section_ == Section::Blocks && r.kind == RecordType::Block) {
                currentBlock_ = BlockIndex(r.name);
                std::uint64_t record = 0;
                if (r.hasOwner && ParseHandle(r.owner, record) && record != 0) {
                    blockRecordOf_.resize(m_.blocks.size(), 0);
                    blockRecordOf_[static_cast<std::size_t>(currentBlock_)] = record;
                }
                attachTo_ = -1;
            } else if (section_ == Section::Blocks && r.kind == RecordType::EndBlk) {
                currentBlock_ = -1;
                attachTo_ = -1;
            } else if (r.kind == RecordType::Insert) {
                insertIndex = AddInsert(r, handle, hasHandle);
            } else if (r.kind == RecordType::Attrib) {
                if (attachTo_ < 0 && afterSeqEndOf >= 0) {
                    m_.inserts[static_cast<std::size_t>(afterSeqEndOf)].strayAttribAfterSeqEnd = true;
                }
                attribIndex = AddAttrib(r, pos, handle, hasHandle);
            } else if (r.kind == RecordType::SeqEnd) {
                if (attachTo_ >= 0) {
                    DxfInsert& ins = m_.inserts[static_cast<std::size_t>(attachTo_)];
                    ins.hasSeqEnd = true;
                    ins.seqEnd = Span{r.start, pos};
                    seqEndOf_ = attachTo_;
                }
                attachTo_ = -1;
            } else {
                if (r.kind == RecordType::AttDef && section_ == Section::Blocks && currentBlock_ >= 0 && r.has70 &&
                    (tok_.Integer(r.tok70) & 2)) {
                    ++constantByBlock_[blockKeys_[static_cast<std::size_t>(currentBlock_)]];
                }
                attachTo_ = -1;
            }
        }
        if (hasHandle) {
            HandleEntry e;
            e.handle = handle;
            e.type = TypeIndex(r.kind, r.type);
            e.index = attribIndex >= 0 ? attribIndex : insertIndex;
            m_.handles.push_back(e);
        }
    }

    int BlockIndex(std::string_view name) {
        std::string key = UpperKey(name);
        auto it = blockByKey_.find(key);
        if (it != blockByKey_.end()) return it->second;
        int index = static_cast<int>(m_.blocks.size());
        DxfBlock b;
        b.name = m_.texts.Shared(name);
        m_.blocks.push_back(b);
        blockKeys_.push_back(key);
        blockByKey_.emplace(std::move(key), index);
        return index;
    }

    int AddInsert(const Record& r, std::uint64_t handle, bool hasHandle) {
        DxfInsert ins;
        ins.id = handle;
        ins.synthetic = !hasHandle;
        ins.name = m_.texts.Shared(r.name);
        ins.layer = m_.texts.Shared(r.layer);
        ins.x = r.hasX ? tok_.Double(r.tokX) : 0;
        ins.y = r.hasY ? tok_.Double(r.tokY) : 0;
        ins.z = r.hasZ ? tok_.Double(r.tokZ) : 0;
        const std::int64_t columns = r.has70 ? tok_.Integer(r.tok70) : 0, rows = r.has71 ? tok_.Integer(r.tok71) : 0;
        ins.columns = columns > 0 ? static_cast<int>(columns) : 1;
        ins.rows = rows > 0 ? static_cast<int>(rows) : 1;
        ins.hasFollowFlag = r.has66;
        if (r.has66) ins.followFlag = m_.texts.Value(r.tok66);
        int index = static_cast<int>(m_.inserts.size());
        if (section_ == Section::Blocks) {
            if (currentBlock_ < 0) currentBlock_ = BlockIndex("");
            ins.owner = currentBlock_;
        } else {
            pending_.push_back(PendingOwner{index, r.has67 && tok_.Integer(r.tok67) == 1});
        }
        m_.inserts.push_back(ins);
        attachTo_ = index;
        return index;
    }

    int AddAttrib(Record& r, std::size_t end, std::uint64_t handle, bool hasHandle) {
        if (attachTo_ < 0) return -1;  // an attribute without its insert is not listed
        DxfAttrib a;
        a.id = handle;
        a.synthetic = !hasHandle;
        a.tag = m_.texts.Shared(r.name);
        a.entity = Span{r.start, end};
        a.hasValue = r.hasValue;
        if (r.hasValue) a.value = m_.texts.Value(r.value);
        a.multiLine = r.embedded && !r.chunks.empty();
        if (a.multiLine) {
            a.mtext = static_cast<int>(m_.mtextChunks.size());
            m_.mtextChunks.push_back(KeptTokens(r.chunks));
        }
        a.insert = attachTo_;
        int index = static_cast<int>(m_.attribs.size());
        std::uint64_t xdict = 0;
        if (!r.xdict.empty() && ParseHandle(r.xdict, xdict) && xdict != 0) m_.xdicts.emplace_back(index, xdict);
        DxfInsert& ins = m_.inserts[static_cast<std::size_t>(attachTo_)];
        // The attributes of an insert come one after the other (attachTo_
        // moves on to another insert only), so a count is all it takes.
        if (ins.attribCount == 0) ins.firstAttrib = index;
        ++ins.attribCount;
        m_.attribs.push_back(std::move(a));
        return index;
    }

    void AddObject(Record& r, std::size_t end, std::uint64_t handle) {
        DxfObject o;
        o.handle = handle;
        if (r.hasOwner) ParseHandle(r.owner, o.owner);
        o.type = NameOf(r.kind, r.type, m_.texts);
        o.span = Span{r.start, end};
        o.entries = std::move(r.entries);
        for (auto& entry : o.entries) entry.first = m_.texts.Keep(entry.first);
        if (r.embeddedText == 2) o.textChunks = KeptTokens(r.chunks);
        m_.objects.push_back(std::move(o));
    }

    // The index of a type in the model's type names.
    std::uint32_t TypeIndex(RecordType kind, std::string_view type) {
        if (kind != RecordType::Other) return static_cast<std::uint32_t>(kind);
        // A drawing has a few dozen types: a small table of recent ones
        // spares most lookups the map's hashing.
        auto& recent = recentTypes_[(type.size() * 31 + (type.empty() ? 0 : static_cast<unsigned char>(type.back()))) %
                                    recentTypes_.size()];
        if (recent.first == type && recent.first.data()) return recent.second;
        auto it = typeIndex_.find(type);
        if (it == typeIndex_.end()) {
            const std::string_view kept = m_.texts.Shared(type);
            m_.typeNames.push_back(kept);
            it = typeIndex_.emplace(kept, static_cast<std::uint32_t>(m_.typeNames.size() - 1)).first;
        }
        recent = *it;
        return it->second;
    }

    std::vector<DxfToken> KeptTokens(const std::vector<DxfToken>& tokens) {
        std::vector<DxfToken> kept;
        kept.reserve(tokens.size());
        for (const DxfToken& t : tokens) kept.push_back(m_.texts.Token(t));
        return kept;
    }

    std::string LayoutNameOf(std::size_t block, const std::string& key) const {
        // The BLOCK's own block record first, then the record of the same name.
        std::uint64_t record = block < blockRecordOf_.size() ? blockRecordOf_[block] : 0;
        if (record != 0) {
            auto lr = blockRecordLayout_.find(record);
            if (lr != blockRecordLayout_.end() && lr->second != 0) {
                auto it = layoutNames_.find(lr->second);
                if (it != layoutNames_.end()) return std::string(it->second);
            }
            auto it = layoutByBlockRecord_.find(record);
            if (it != layoutByBlockRecord_.end()) return std::string(it->second);
        }
        auto br = blockRecordByName_.find(key);
        if (br != blockRecordByName_.end() && br->second.layout != 0) {
            auto it = layoutNames_.find(br->second.layout);
            if (it != layoutNames_.end()) return std::string(it->second);
        }
        for (const auto& [brHandle, brKey] : blockRecordByHandle_) {
            if (brKey != key) continue;
            auto it = layoutByBlockRecord_.find(brHandle);
            if (it != layoutByBlockRecord_.end()) return std::string(it->second);
        }
        return FallbackLayoutName(key, sawLayout_);
    }

    // Owners, layouts, constant attribute counts and handles, once everything is read.
    void Settle() {
        // Owner blocks of the ENTITIES section that the BLOCKS section lacks go first.
        std::vector<std::string> extraKeys;
        std::vector<std::string_view> extraNames;
        std::vector<std::string> ownerKeys(pending_.size());
        for (std::size_t i = 0; i < pending_.size(); ++i) {
            const PendingOwner& p = pending_[i];
            // The ENTITIES section holds model space and the active paper space, told apart
            // by group 67; owner handles there are not always right.
            std::string_view name = p.paper ? "*Paper_Space" : "*Model_Space";
            std::string key = UpperKey(name);
            if (!blockByKey_.count(key) && std::find(extraKeys.begin(), extraKeys.end(), key) == extraKeys.end()) {
                extraKeys.push_back(key);
                extraNames.push_back(name);
            }
            ownerKeys[i] = std::move(key);
        }
        if (!extraKeys.empty()) {
            std::vector<std::size_t> order(extraKeys.size());
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
            std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
                return (extraKeys[a] == "*MODEL_SPACE") > (extraKeys[b] == "*MODEL_SPACE");
            });
            std::vector<DxfBlock> blocks;
            std::vector<std::string> keys;
            blockRecordOf_.resize(m_.blocks.size(), 0);
            blockRecordOf_.insert(blockRecordOf_.begin(), order.size(), 0);
            for (std::size_t i : order) {
                DxfBlock b;
                b.name = m_.texts.Shared(extraNames[i]);
                blocks.push_back(b);
                keys.push_back(extraKeys[i]);
            }
            int shift = static_cast<int>(blocks.size());
            for (DxfInsert& ins : m_.inserts) {
                if (ins.owner >= 0) ins.owner += shift;
            }
            blocks.insert(blocks.end(), m_.blocks.begin(), m_.blocks.end());
            keys.insert(keys.end(), blockKeys_.begin(), blockKeys_.end());
            m_.blocks = std::move(blocks);
            blockKeys_ = std::move(keys);
            blockByKey_.clear();
            for (std::size_t i = 0; i < blockKeys_.size(); ++i) blockByKey_[blockKeys_[i]] = static_cast<int>(i);
        }
        for (std::size_t i = 0; i < pending_.size(); ++i) {
            m_.inserts[static_cast<std::size_t>(pending_[i].insert)].owner = blockByKey_[ownerKeys[i]];
        }
        for (std::size_t i = 0; i < m_.inserts.size(); ++i) {
            DxfInsert& ins = m_.inserts[i];
            m_.blocks[static_cast<std::size_t>(ins.owner)].inserts.push_back(static_cast<int>(i));
        }
        for (std::size_t i = 0; i < m_.blocks.size(); ++i) m_.blocks[i].layoutName = LayoutNameOf(i, blockKeys_[i]);
        for (DxfInsert& ins : m_.inserts) {
            auto c = constantByBlock_.find(UpperKey(ins.name));
            ins.constantAttDefs = c == constantByBlock_.end() ? 0 : c->second;
        }
        SettleHandles();
        if (!std::is_sorted(m_.objects.begin(), m_.objects.end())) std::stable_sort(m_.objects.begin(), m_.objects.end());
    }

    // Inserts and attributes with no handle, or one already taken, get synthetic
    // ids above every real handle.
    void SettleHandles() {
        ChunkedVector<HandleEntry>& handles = m_.handles;
        // Files list handles ascending as a rule; only the others need sorting.
        const bool ascending = std::adjacent_find(handles.begin(), handles.end(), [](const auto& a, const auto& b) {
                                   return b.handle <= a.handle;
                               }) == handles.end();
        if (!ascending) {
            std::vector<HandleEntry> sorted(handles.begin(), handles.end());
            handles.clear();
            SortByHandle(sorted);
            // The first holder keeps a handle that is taken more than once.
            for (const HandleEntry& e : sorted) {
                if (!handles.empty() && e.handle == handles.back().handle) {
                    if (e.Attrib() >= 0) m_.attribs[static_cast<std::size_t>(e.Attrib())].synthetic = true;
                    if (e.Insert() >= 0) m_.inserts[static_cast<std::size_t>(e.Insert())].synthetic = true;
                    continue;
                }
                handles.push_back(e);
            }
        }
        std::uint64_t next = maxHandle_;
        for (std::size_t i = 0; i < m_.inserts.size(); ++i) {
            DxfInsert& ins = m_.inserts[i];
            if (!ins.synthetic) continue;
            ins.id = ++next;
            handles.push_back(HandleEntry{ins.id, kInsertType, static_cast<int>(i)});
        }
        for (std::size_t i = 0; i < m_.attribs.size(); ++i) {
            DxfAttrib& a = m_.attribs[i];
            if (!a.synthetic) continue;
            a.id = ++next;
            handles.push_back(HandleEntry{a.id, kAttribType, static_cast<int>(i)});
        }
        // Synthetic ids are larger than every handle, so the order holds.
    }

    DxfTokenizer& tok_;
    DxfModel& m_;
    Record rec_;
    Section section_ = Section::None;
    bool wantSectionName_ = false, sawSection_ = false, sawLayout_ = false;
    // The header variable whose values follow (none of the reader's views
    // outlives its record: the file's bytes before it may be gone).
    enum class Variable { Other, AcadVer, DwgCodePage } variable_ = Variable::Other;
    int currentBlock_ = -1;
    int attachTo_ = -1;
    int seqEndOf_ = -1;  // the insert whose SEQEND was the last record
    std::uint64_t maxHandle_ = 0;
    std::vector<PendingOwner> pending_;
    std::vector<std::string> blockKeys_;
    std::unordered_map<std::string, int> blockByKey_;
    std::unordered_map<std::string, BlockRecordInfo> blockRecordByName_;
    std::unordered_map<std::uint64_t, std::string> blockRecordByHandle_;
    std::unordered_map<std::uint64_t, std::uint64_t> blockRecordLayout_;  // record handle -> LAYOUT handle
    std::vector<std::uint64_t> blockRecordOf_;                            // per block, 0 when unknown
    std::unordered_map<std::uint64_t, std::string> layoutNames_, layoutByBlockRecord_;
    std::unordered_map<std::string, int> constantByBlock_;
    std::unordered_map<std::string_view, std::uint32_t> typeIndex_;  // of the types not told apart
    std::array<std::pair<std::string_view, std::uint32_t>, 32> recentTypes_{};
};

}  // namespace

bool ReadDxfModel(DxfTokenizer& tok, DxfModel& model, std::string& strErr, bool& notDxf) {
    notDxf = false;
    Reader reader(tok, model);
    return reader.Run(strErr, notDxf);
}

bool ReadDxfModel(std::string_view data, DxfModel& model, std::string& strErr, bool& notDxf, bool blnBytesStay) {
    if (blnBytesStay) model.texts.Borrow();
    DxfTokenizer tok(data);
    return ReadDxfModel(tok, model, strErr, notDxf);
}

}  // namespace kel::dxf
