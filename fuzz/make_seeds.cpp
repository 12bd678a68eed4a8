// Writes the generated seed files: for each sample drawing given, its drawing
// information XML (flatten seeds) and the flat XML made from it (table seeds).
//   make_seeds OUT_FOLDER DRAWING...
#include <cstdio>
#include <filesystem>
#include <string>

#include "component/DrawingComponent.h"
#include "engine/cAutoCAD.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_seeds OUT_FOLDER DRAWING...\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path out = argv[1];
    fs::create_directories(out / "flatten");
    fs::create_directories(out / "table");
    kel::StderrMessages messages;
    kel::cAutoCAD engine(kel::DefaultComponentFactory(), &messages, out.string() + "/");
    if (engine.CreateComponent() != 1) return 1;
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string stem = fs::path(argv[i]).stem().string();
        const std::string xml = (out / "flatten" / (stem + ".xml")).string();
        if (engine.OpenDrawing(argv[i]) != 1 || engine.CreateXML(xml, 1) != 1) {
            std::fprintf(stderr, "%s: cannot describe\n", argv[i]);
            ++failures;
            continue;
        }
        engine.CloseDrawing();
        // The harness reads its first byte as the chapter; 3 is the attribute chapter.
        const std::string flat = (out / "table" / (stem + ".flat")).string();
        if (engine.FlattenXMLfile(xml, flat, 3) != 1) ++failures;
        for (const std::string& path : {xml, flat}) {
            std::FILE* f = std::fopen(path.c_str(), "rb");
            std::string data(1, '\x03');
            char buf[4096];
            std::size_t n;
            while (f && (n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
            if (f) std::fclose(f);
            f = std::fopen(path.c_str(), "wb");
            if (f) {
                std::fwrite(data.data(), 1, data.size(), f);
                std::fclose(f);
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
