// Corpus drawings the DWG tests read, and a loader.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "component/dwg/DwgDocument.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

namespace kel::dwg::test {

// Every R13-R2004 DWG of the corpus (relative to the corpus folder); the later versions read are in PagedCorpusFiles.
inline const std::vector<std::string>& SupportedCorpusFiles() {
    static const std::vector<std::string> files = {
        "dwg/AC1012_R13/libredwg__example_r13.dwg",          "dwg/AC1014_R14/acadsharp__sample_AC1014.dwg",
        "dwg/AC1014_R14/ixmilia__R14.dwg",                   "dwg/AC1014_R14/libredwg__example_r14.dwg",
        "dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg",     "dwg/AC1015_R2000/libopencad__ACAD_r2000_sample.dwg",
        "dwg/AC1015_R2000/libredwg__entities-2d.dwg",        "dwg/AC1015_R2000/libredwg__example_2000.dwg",
        "dwg/malformed/acadsharp__dup_paperspace_r2000.dwg", "dwg/malformed/acadsharp__missing_modelspace_r2000.dwg",
        "dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg",     "dwg/AC1018_R2004/libredwg__example_2004.dwg"};
    return files;
}

// Every R2007, R2010, R2013 and R2018 DWG of the corpus with the number of
// attributes its inserts hold (as MANIFEST.tsv gives it where it does).
struct CountedFile {
    std::string name;
    std::size_t attributes;
};

inline const std::vector<CountedFile>& PagedCorpusFiles() {
    static const std::vector<CountedFile> files = {
        {"dwg/AC1021_R2007/acadsharp-48c4080__sample_AC1021.dwg", 4},
        {"dwg/AC1021_R2007/acadsharp__sample_AC1021.dwg", 4},
        {"dwg/AC1021_R2007/autocad-files__Grid Plan.dwg", 11},
        {"dwg/AC1021_R2007/instel-ufes__Projeto_Instel_I_2020_I.dwg", 11},
        {"dwg/AC1021_R2007/jjh-data__landscaping_6.dwg", 116},
        {"dwg/AC1021_R2007/libredwg__example_2007.dwg", 2},
        {"dwg/AC1021_R2007/pyegout__sample.dwg", 1},
        {"dwg/AC1024_R2010/acadsharp-48c4080__sample_AC1024.dwg", 4},
        {"dwg/AC1024_R2010/acadsharp-ad27048__sample_AC1024.dwg", 4},
        {"dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg", 4},
        {"dwg/AC1024_R2010/cad-drawing__plans-structure.dwg", 1521},
        {"dwg/AC1024_R2010/libredwg__example_2010.dwg", 2},
        {"dwg/AC1027_R2013/acadsharp__sample_AC1027.dwg", 4},
        {"dwg/AC1027_R2013/autocad-files__A-01.dwg", 320},
        {"dwg/AC1027_R2013/autocad-files__Mechanical - Text and Tables.dwg", 105},
        {"dwg/AC1027_R2013/autocad-files__T-01.dwg", 19},
        {"dwg/AC1027_R2013/autocad-resources__Title Block.dwg", 3},
        {"dwg/AC1027_R2013/cad-drawing__Title Block Metric-PUBLISH.dwg", 190},
        {"dwg/AC1027_R2013/kaweye__entrega CRF.dwg", 9},
        {"dwg/AC1027_R2013/libredwg__example_2013.dwg", 2},
        {"dwg/AC1027_R2013/libredwg__gh44-error.dwg", 16},
        {"dwg/AC1027_R2013/zdwg__test.dwg", 7},
        {"dwg/AC1032_R2018/acadsharp__empty.dwg", 0},
        {"dwg/AC1032_R2018/acadsharp__sample_AC1032.dwg", 4},
        {"dwg/AC1032_R2018/autocad-files__6_editing_lessons.dwg", 17},
        {"dwg/AC1032_R2018/autosan__exemplo.dwg", 84},
        // Its 14 attributes belong to inserts that no block holds (a dictionary owns them).
        {"dwg/AC1032_R2018/bricscad-work__08_Building1.dwg", 0},
        {"dwg/AC1032_R2018/cad-drawing__Drawings (3) (2).dwg", 19},
        {"dwg/AC1032_R2018/cad-drawing__ELV&ELEC_v3.dwg", 455},
        {"dwg/AC1032_R2018/cad-drawing__Title Block.dwg", 145},
        {"dwg/AC1032_R2018/cad-drawing__X_SP.dwg", 256},
        {"dwg/AC1032_R2018/drawingsync__forklift.dwg", 75},
        {"dwg/AC1032_R2018/drawingsync__indy.dwg", 33},
        {"dwg/AC1032_R2018/evenementquimper-plan__plan.dwg", 18},
        {"dwg/AC1032_R2018/kaweye__Implantaci\xC3\xB3n.dwg", 722},
        {"dwg/AC1032_R2018/libredwg__example_2018.dwg", 2},
    };
    return files;
}

// Every corpus DWG the reader opens.
inline std::vector<std::string> AllReadableCorpusFiles() {
    std::vector<std::string> all = SupportedCorpusFiles();
    for (const CountedFile& f : PagedCorpusFiles()) all.push_back(f.name);
    return all;
}

// The paths of the corpus DWGs of every version that shares the R2004 file
// organisation and page codec (R2004, R2010, R2013, R2018), sorted.
inline std::vector<std::string> R2004OrganisationCorpusFiles() {
    std::vector<std::string> out;
    for (const char* version : {"AC1018_R2004", "AC1024_R2010", "AC1027_R2013", "AC1032_R2018"}) {
        const std::string folder = kel::test::CorpusPath(std::string("dwg/") + version);
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The records in which multi-line attributes keep a copy of their text
// (the document opened from `bytes`).
inline std::set<std::uint64_t> MultiLineCopies(const DwgDocument& doc, const std::string& bytes) {
    std::set<std::uint64_t> out;
    DwgModel full = doc.Model();
    std::string status;
    EXPECT_TRUE(full.DecodeRest(bytes, doc.File(), status)) << status;
    for (const DecodedObject& o : full.Objects()) {
        const auto* d = DataIf<DictionaryData>(o.data);
        for (std::size_t i = 0; d && i < d->names.size(); ++i) {
            if (CutAtNul(d->names[i]) == "ACAD_MLATT") out.insert(o.Ref(d->items[i]));
        }
    }
    return out;
}

// Opens a drawing's bytes; a failure to open fails the test.
inline std::unique_ptr<DwgDocument> Open(const std::string& bytes) {
    std::string status;
    auto doc = DwgDocument::Open(bytes, "t.dwg", status);
    EXPECT_TRUE(doc) << status;
    return doc;
}

inline std::string ReadCorpus(const std::string& relative) { return kel::test::ReadCorpusFile(relative); }

// An attribute as the drawing information lists it, with its insert's handle.
struct Attr {
    std::string insert, handle, tag, value;
};

// Every attribute of every insert, in drawing order.
inline std::vector<Attr> Attributes(const DwgDocument& doc) {
    std::vector<Attr> out;
    for (const BlockInfo& b : doc.Describe().blocks) {
        for (const InsertInfo& i : b.inserts) {
            for (const AttributeInfo& a : i.attributes) out.push_back({i.handle, a.handle, a.tag, a.value});
        }
    }
    return out;
}

// The value the drawing shows for the attribute with this handle; "(missing)" when none has it.
inline std::string ValueOf(const DwgDocument& doc, const std::string& handle) {
    for (const Attr& a : Attributes(doc)) {
        if (a.handle == handle) return a.value;
    }
    return "(missing)";
}

// Bytes given as numbers.
inline std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

// n random bytes below alphabet.
inline std::string Random(std::size_t n, std::mt19937& rng, int alphabet = 256) {
    std::uniform_int_distribution<int> byte(0, alphabet - 1);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(byte(rng));
    return s;
}

}  // namespace kel::dwg::test
