#include "framework/data/index_defs.h"

#include <cctype>

#include "framework/data/data_set.h"
#include "framework/data/strings.h"

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
        if (SameText(defs_[static_cast<size_t>(i)].name, name)) return i;
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
