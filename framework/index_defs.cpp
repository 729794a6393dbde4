#include "framework/index_defs.h"

#include <cctype>

#include "framework/data_set.h"

namespace {
bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
}  // namespace

TIndexDef& TIndexDefs::Add(const std::string& name, const std::string& fields, TIndexOptions options) {
    defs_.push_back(TIndexDef{name, fields, options});
    return defs_.back();
}

const TIndexDef& TIndexDefs::operator[](int index) const {
    if (index < 0 || index >= Count()) DatabaseErrorFmt(dbmsg::ListIndexError, index);
    return defs_[static_cast<size_t>(index)];
}

int TIndexDefs::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameName(defs_[static_cast<size_t>(i)].name, name)) return i;
    return -1;
}

const TIndexDef& TIndexDefs::Find(const std::string& name) const {
    int i = IndexOf(name);
    if (i < 0) DatabaseErrorFmt("Index '%s' not found", name);
    return defs_[static_cast<size_t>(i)];
}

void TIndexDefs::Update() {
    if (owner_) owner_->UpdateIndexDefs();
    updated_ = true;
}
