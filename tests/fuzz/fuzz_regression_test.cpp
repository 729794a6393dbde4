// Replays every input the fuzzers once failed on (tests/fuzz_regressions/<target>/) through the same entry points,
// plus the sound seeds and a few hand-made damaged files: each must end with an engine error or a clean answer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_inputs.h"
#include "temp_dir.h"

namespace {

using Entry = int (*)(const uint8_t*, size_t);

std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int Feed(Entry entry, const std::string& bytes) {
    return entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

struct Target {
    const char* folder;
    Entry entry;
};
const Target kTargets[] = {{"table", fuzzing::FuzzTable},
                           {"memo", fuzzing::FuzzMemo},
                           {"ndx", fuzzing::FuzzNdx},
                           {"expression", fuzzing::FuzzExpression}};

TEST(FuzzRegressions, KeptInputsEndCleanly) {
    const std::filesystem::path root = std::filesystem::path(VELMORA_TESTS_DIR) / "fuzz_regressions";
    for (const Target& t : kTargets) {
        const std::filesystem::path dir = root / t.folder;
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& file : std::filesystem::directory_iterator(dir)) {
            if (!file.is_regular_file() || file.path().extension() == ".md") continue;
            EXPECT_EQ(Feed(t.entry, Read(file.path())), 0) << file.path().filename();
        }
    }
}

TEST(FuzzRegressions, SoundSeedsAndTheirDamagedForms) {
    TempDir dir;
    fuzzing::WriteSeeds(dir.Path().c_str());
    const std::pair<const char*, Entry> kinds[] = {
        {"table", fuzzing::FuzzTable}, {"ndx", fuzzing::FuzzNdx}, {"memo", fuzzing::FuzzMemo}};
    for (const auto& [folder, entry] : kinds) {
        for (const auto& file : std::filesystem::directory_iterator(std::filesystem::path(dir.Path()) / folder)) {
            const std::string sound = Read(file.path());
            ASSERT_GT(sound.size(), 500u);
            std::vector<std::string> damaged = {sound, sound.substr(0, sound.size() / 2), sound.substr(0, 31),
                                                std::string(sound.size(), '\xFF'), std::string()};
            std::string flipped = sound;
            for (size_t i = 0; i < flipped.size(); i += 37) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
            damaged.push_back(flipped);
            for (const std::string& bytes : damaged) EXPECT_EQ(Feed(entry, bytes), 0) << folder;
        }
    }
    for (const char* text : {"NAME +", "SUBSTR(NAME, -5, 99999999)", "((((((((((", "DTOC(CTOD(\"99/99/99\"))",
                             "REPLICATE(NAME, 100000000)", "\"unterminated"}) {
        const std::string t = text;
        EXPECT_EQ(Feed(fuzzing::FuzzExpression, t), 0) << text;
    }
    const std::string memo = std::string(1, '\x01') + std::string(512, '\xFF');
    EXPECT_EQ(Feed(fuzzing::FuzzMemo, memo), 0);
}

}  // namespace
