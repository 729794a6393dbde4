// The grid's layout store: one section of key/value lines, key the field name, value width, delimiter, title,
// delimiter, read-only flag; kept in an INI file or under a configuration key.
#include <filesystem>
#include <memory>

#include "framework/data/ini_file.h"
#include "framework/window/dialogs.h"
#include "framework/window/forms.h"
#include "framework/window/reg_ini_file.h"
#include "grid/db_grid.h"
#include "grid/pk_intl.h"
#include "framework/data/strings.h"
#include "grid/grid_tokens.h"

namespace {

void Warn(const std::string& text) { MessageDlg(text, mtWarning, TMsgDlgButtons{mbOK}); }

std::string DirectoryOf(const std::string& file) {
    return std::filesystem::path(file).parent_path().string();
}

bool DirectoryMissing(const std::string& file) {
    std::string dir = DirectoryOf(file);
    std::error_code ec;
    return !dir.empty() && !std::filesystem::is_directory(dir, ec);
}

// A key path the configuration store accepts: relative and without parent steps.
bool UsableKeyPath(const std::string& path) {
    return !path.empty() && path[0] != '/' && path.find("..") == std::string::npos;
}

// The store behind the settings: a bare INI name lives in the user's configuration folder.
class LayoutStore {
public:
    LayoutStore(const std::string& fileName, bool registry) {
        if (registry) {
            reg_ = std::make_unique<TRegIniFile>(fileName);
        } else {
            std::string path = DirectoryOf(fileName).empty() ? TRegIniFile::ConfigFolder() + "/" + fileName : fileName;
            ini_ = std::make_unique<TIniFile>(path);
        }
    }
    std::vector<std::pair<std::string, std::string>> Pairs(const std::string& section) const {
        return reg_ ? reg_->ReadSectionPairs(section) : ini_->ReadSectionPairs(section);
    }
    void Erase(const std::string& section) {
        if (reg_) reg_->EraseSection(section); else ini_->EraseSection(section);
    }
    void Write(const std::string& section, const std::string& key, const std::string& value) {
        if (reg_) reg_->WriteString(section, key, value); else ini_->WriteString(section, key, value);
    }
    bool IniFolderReady() const {
        if (!ini_) return true;
        std::error_code ec;
        std::filesystem::create_directories(DirectoryOf(ini_->FileName()), ec);
        return !ec;
    }

private:
    std::unique_ptr<TIniFile> ini_;
    std::unique_ptr<TRegIniFile> reg_;
};

std::string ReplaceAll(const std::string& text, const std::string& what, const std::string& with) {
    std::string out;
    size_t pos = 0;
    while (true) {
        size_t at = text.find(what, pos);
        if (at == std::string::npos) break;
        out += text.substr(pos, at - pos) + with;
        pos = at + what.size();
    }
    return out + text.substr(pos);
}

}  // namespace

std::string DefaultGridIniFileName() {
    // A connected TpkIntl with a base name decides; otherwise the name follows the program file.
    if (const TpkIntl* intl = pkIntl(); intl && !intl->IniFileName.empty()) return intl->IniFileName;
    std::string exe = Application ? Application->ExeName() : std::string();
    std::error_code ec;
    if (exe.empty()) exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    std::string name = std::filesystem::path(exe).filename().string();
    size_t dot = name.find('.');
    if (dot != std::string::npos) name.erase(dot);
    return name + ".ini";
}

std::string TpkIniAttributes::EffectiveFileName() const {
    if (!FileName.empty()) return FileName;
    return SaveToRegistry ? std::string() : DefaultGridIniFileName();
}

std::string TpkIniAttributes::EffectiveSectionName() const {
    if (!SectionName.empty()) return SectionName;
    return FormName + (owner_ ? owner_->Name() : std::string());
}

TpkDBGrid::TpkDBGrid(TComponent* owner) : TpkCustomDBGrid(owner), ini_(this) {
    ini_.Delimiter = ";;";
}

TpkDBGrid::~TpkDBGrid() {
    MarkDestroying();
    try {
        SaveLayout();
    } catch (...) {
        // A store that cannot be written loses the layout, not the program.
    }
}

void TpkDBGrid::SetParent(TWinControl* parent) {
    TpkCustomDBGrid::SetParent(parent);
    if (parent && !Loading() && ini_.Enabled && !layoutLoaded_) LoadLayout();
}

void TpkDBGrid::Loaded() {
    if (Owner()) ini_.FormName = Owner()->Name();
    TpkCustomDBGrid::Loaded();
    if (Parent() && ini_.Enabled && !layoutLoaded_) LoadLayout();
}

void TpkDBGrid::LinkActive(bool active) {
    if (!active && Destroying()) {
        try {
            SaveLayout();
        } catch (...) {
            // As in the destructor.
        }
    }
    TpkCustomDBGrid::LinkActive(active);
    TDataSet* ds = DataSet();
    if (active && ds) {
        bool calculated = false;
        for (int i = 0; i < ds->FieldCount(); ++i) calculated = calculated || ds->Fields()[i].Calculated();
        if (Selected().Count() > 0 && !calculated) ApplyColumnList();
    }
}

void TpkDBGrid::LoadLayout() {
    layoutLoaded_ = true;
    const std::string file = ini_.EffectiveFileName();
    if (ini_.SaveToRegistry && file.empty()) {
        Warn("FileName required when saving to registry");
        return;
    }
    if (ini_.Delimiter.empty()) {
        Warn("Key delimiter required");
        return;
    }
    if (!ini_.SaveToRegistry && !file.empty() && DirectoryMissing(file)) {
        Warn("Directory does not exist");
        return;
    }
    if (ini_.SaveToRegistry && !UsableKeyPath(file)) return;
    TStringList designed;
    designed.Assign(Selected());
    LayoutStore store(file, ini_.SaveToRegistry);
    auto pairs = store.Pairs(ini_.EffectiveSectionName());
    if (pairs.empty()) return;
    TStringList loaded;
    for (const auto& [key, value] : pairs) {
        if (value.find(ini_.Delimiter) == std::string::npos) {
            Warn("Key Delimiter Not Found");
            Selected().Clear();
            if (!UseTFields()) Selected().Assign(designed);
            LayoutChanged();
            return;
        }
        loaded.Add(key + "\t" + ReplaceAll(value, ini_.Delimiter, "\t"));
    }
    if (ini_.CheckNewFields) {
        for (int i = 0; i < designed.Count(); ++i) {
            std::string name = TSelectedEntry::Parse(designed[i]).field;
            bool found = false;
            for (int j = 0; j < loaded.Count() && !found; ++j)
                found = SameText(TSelectedEntry::Parse(loaded[j]).field, name);
            if (!found) loaded.Add(designed[i]);
        }
    }
    Selected().Assign(loaded);
    ApplyColumnList();
}

void TpkDBGrid::SaveLayout() {
    if (saved_ || !ini_.Enabled || ComponentState().Contains(csDesigning)) return;
    saved_ = true;
    const std::string file = ini_.EffectiveFileName();
    if (ini_.SaveToRegistry && (file.empty() || !UsableKeyPath(file))) return;
    if (!ini_.SaveToRegistry && DirectoryMissing(file)) return;
    const std::string& d = ini_.Delimiter;
    if (d.empty()) {
        Warn("Key delimiter required");
        return;
    }
    const std::string section = ini_.EffectiveSectionName();
    std::vector<std::pair<std::string, std::string>> lines;
    if (!UseTFields()) {
        for (int i = 0; i < Selected().Count(); ++i) {
            TSelectedEntry e = TSelectedEntry::Parse(Selected()[i]);
            TField* f = DataSet() ? DataSet()->FindField(e.field) : nullptr;
            // A malformed entry is stored repaired: the field's own width and label fill the gaps.
            int width = e.width ? *e.width : f ? f->DisplayWidth() : 10;
            std::string title = e.title ? *e.title : f ? f->DisplayLabel() : e.field;
            lines.emplace_back(e.field, std::to_string(width) + d + title + d + (e.readOnly ? *e.readOnly : "F"));
        }
    } else {
        for (int i = 0; i < ColumnCount(); ++i) {
            TField* f = ColumnField(i);
            if (!f) continue;
            bool ro = f->ReadOnly() || Columns(i).ReadOnly();
            lines.emplace_back(f->FieldName(),
                               std::to_string(f->DisplayWidth()) + d + f->DisplayLabel() + d + (ro ? "T" : "F"));
        }
    }
    LayoutStore store(file, ini_.SaveToRegistry);
    if (!store.IniFolderReady()) return;
    if (!lines.empty()) store.Erase(section);
    for (const auto& [key, value] : lines) store.Write(section, key, value);
}
