#include "fuzz_inputs.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/db_handler.h"
#include "engine/cursor/index_formats.h"
#include "engine/cursor/table_expression.h"
#include "engine/expr/table_bindings.h"
#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/byte_view.h"
#include "engine/storage/errors.h"
#include "engine/storage/record_request.h"

namespace fuzzing {
namespace {

constexpr int kRecords = 20;
// Bounds a walk over a damaged index: a few more steps than a sound one could take.
constexpr int kWalkLimit = 4 * kRecords + 16;

// A folder of this process's own for the files of one input, removed at exit.
class Workspace {
public:
    Workspace() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir_ = pattern;
        StartExpressionEngine();
    }
    ~Workspace() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string File(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

Workspace& Space() {
    static Workspace space;
    return space;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void Remove(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

// The bytes of a small sound table (and its memo file), made once per layout.
struct Template {
    std::string table, memo, ndx;
};

Template MakeTemplate(uint8_t version, bool withMemo) {
    const std::string path = Space().File("TEMPLATE.DBF");
    const std::string memoPath = Space().File(version == 0x30 || version == 0xF5 ? "TEMPLATE.FPT" : "TEMPLATE.DBT");
    const std::string ndxPath = Space().File("TEMPLATE.NDX");
    Remove(path);
    Remove(memoPath);
    Remove(ndxPath);
    std::vector<TdvNewField> fields = {{"NAME", 'C', 10}, {"QTY", 'N', 6, 2}, {"DAY", 'D'}, {"OK", 'L'}};
    if (withMemo) fields.push_back({"NOTE", 'M'});
    CreateTable(path, version, fields);
    Template t;
    {
        DVO_dBHandler h(path, "", true, false);
        for (int i = 0; i < kRecords; ++i) {
            h.BlankRecord();
            h.StringPutN("NAME", "N" + std::to_string((i * 7) % kRecords));
            h.StringPutN("QTY", std::to_string(i * 3 - 20));
            h.StringPutN("DAY", "2026" + std::string(i % 12 < 9 ? "0" : "") + std::to_string(i % 12 + 1) + "15");
            h.StringPutN("OK", i % 2 ? "T" : "F");
            if (withMemo) h.StringPutN("NOTE", std::string(static_cast<size_t>(i * 40), 'm'));
            h.AppendRecord();
        }
        if (!withMemo) {
            std::unique_ptr<DVobjIndexFile> file = TdvIndexFormats::FindCreator(".NDX")(h.IndexOwner(), false, ndxPath);
            file->CreateTag("NAME", "NAME", false, true, "");
        }
    }
    t.table = ReadFile(path);
    if (withMemo) t.memo = ReadFile(memoPath);
    if (!withMemo) t.ndx = ReadFile(ndxPath);
    return t;
}

const Template& PlainTemplate() {
    static const Template t = MakeTemplate(0x03, false);
    return t;
}

// Runs step; an engine error is the sound answer to bad input.
template <class Step>
void Guarded(Step step) {
    try {
        step();
    } catch (const EOrdaneError&) {
    } catch (const std::exception&) {
        // Other clear errors (a refused allocation size, a bad argument) are answers too.
    }
}

void ReadEveryField(DVO_dBHandler& t) {
    for (int32_t r = 1; r <= t.RecordCount(); ++r) {
        Guarded([&] {
            t.GetRecord(r);
            for (const TdvFieldDesc& f : t.Fields()) {
                Guarded([&] {
                    (void)t.FieldBytes(f);
                    if (t.IsMemoField(f)) {
                        int32_t size = t.MemoSize(f.number);
                        if (size > 0 && size < (1 << 24)) {
                            std::string bytes(static_cast<size_t>(size), '\0');
                            t.MemoRead(f.number, bytes.data(), size);
                        }
                        return;
                    }
                    switch (f.type) {
                        case 'N': case 'F': (void)t.NumberGet(f.number); break;
                        case 'D': (void)t.DateGet(f.number); break;
                        case 'L': (void)t.LogicGet(f.number); break;
                        default: break;
                    }
                });
            }
        });
    }
}

}  // namespace

int FuzzTable(const uint8_t* data, size_t size) {
    const std::string path = Space().File("T.DBF");
    WriteFile(path, data, size);
    Guarded([&] {
        DVO_dBHandler t(path, "", false, true);
        ReadEveryField(t);
    });
    return 0;
}

// dBase III, dBase IV and FoxPro tables with memo files.
const Template* MemoTemplates() {
    static const Template layouts[3] = {MakeTemplate(0x83, true), MakeTemplate(0x8B, true), MakeTemplate(0xF5, true)};
    return layouts;
}

int FuzzMemo(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int which = data[0] % 3;
    const Template& t = MemoTemplates()[which];
    const std::string path = Space().File("M.DBF");
    const std::string memo = Space().File(which == 2 ? "M.FPT" : "M.DBT");
    Remove(Space().File("M.FPT"));
    Remove(Space().File("M.DBT"));
    WriteFile(path, t.table.data(), t.table.size());
    WriteFile(memo, data + 1, size - 1);
    Guarded([&] {
        DVO_dBHandler h(path, "", false, true);
        ReadEveryField(h);
    });
    return 0;
}

int FuzzNdx(const uint8_t* data, size_t size) {
    const Template& t = PlainTemplate();
    const std::string path = Space().File("X.DBF");
    const std::string ndx = Space().File("X.NDX");
    WriteFile(path, t.table.data(), t.table.size());
    WriteFile(ndx, data, size);
    Guarded([&] {
        DVO_dBHandler h(path, "", true, false);
        h.OpenIndexFile(ndx);
        for (int32_t n = 1; DVobjIndexTag* tag = h.TagByNumber(n); ++n) {
            Guarded([&] {
                tag->ResetCursor(2);
                int steps = 0;
                for (int32_t r = tag->Navigate(recreq::kFirst); r != 0 && !tag->Eof() && steps < kWalkLimit;
                     r = tag->Navigate(recreq::kNext))
                    ++steps;
                steps = 0;
                for (int32_t r = tag->Navigate(recreq::kLast); r != 0 && !tag->Bof() && steps < kWalkLimit;
                     r = tag->Navigate(recreq::kPrior))
                    ++steps;
            });
            for (int32_t r = 1; r <= h.RecordCount(); ++r) {
                Guarded([&] {
                    h.DVO_dBaseFld::GetRecord(r);
                    DVobjIndexKeyData key(256);
                    bool ok = true;
                    if (!tag->EvaluateKey(key, ok) || !ok) return;
                    tag->ConvertKey(key, true);
                    key.Target = r;
                    (void)tag->SeekNoMove(key);
                });
            }
        }
        // The index kept in step on its damaged pages.
        Guarded([&] {
            h.BlankRecord();
            h.StringPutN("NAME", "ZZ");
            h.AppendRecord();
        });
    });
    return 0;
}

int FuzzExpression(const uint8_t* data, size_t size) {
    const Template& t = PlainTemplate();
    const std::string path = Space().File("E.DBF");
    static bool written = false;
    if (!written) {
        WriteFile(path, t.table.data(), t.table.size());
        written = true;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    Guarded([&] {
        DVO_dBHandler h(path, "", false, true);
        TdvTableExpression e(&h);
        e.SetOptions(size % 2 == 0, size % 3 == 0);
        e.SetExpression(text);
        (void)e.AsText();
        for (int32_t r = 1; r <= h.RecordCount(); ++r) {
            Guarded([&] {
                h.GetRecord(r);
                bool truth = false;
                e.Evaluate(truth);
                TdvVariant key;
                e.EvaluateToKey(key);
            });
        }
    });
    return 0;
}

int WriteSeeds(const char* dir) {
    const Template& t = PlainTemplate();
    std::filesystem::create_directories(std::string(dir) + "/ndx");
    std::filesystem::create_directories(std::string(dir) + "/table");
    std::filesystem::create_directories(std::string(dir) + "/expr");
    std::filesystem::create_directories(std::string(dir) + "/memo");
    for (int i = 0; i < 3; ++i) {
        const std::string seed = std::string(1, static_cast<char>(i)) + MemoTemplates()[i].memo;
        WriteFile(std::string(dir) + "/memo/layout" + std::to_string(i), seed.data(), seed.size());
    }
    WriteFile(std::string(dir) + "/ndx/template.ndx", t.ndx.data(), t.ndx.size());
    WriteFile(std::string(dir) + "/table/template.dbf", t.table.data(), t.table.size());
    const char* exprs[] = {"NAME", "UPPER(NAME) + DTOS(DAY)", "QTY > 3 .AND. OK", "IIF(OK, STR(QTY, 8, 2), \"x\")",
                           "SUBSTR(NAME, 2, 3) $ \"N1N2\"", "DTOC(DAY + 30)"};
    int i = 0;
    for (const char* e : exprs) {
        std::string name = std::string(dir) + "/expr/seed" + std::to_string(i++) + ".txt";
        WriteFile(name, e, std::char_traits<char>::length(e));
    }
    return 0;
}

}  // namespace fuzzing
