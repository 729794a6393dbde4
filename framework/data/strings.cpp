#include "framework/data/strings.h"

#include <cctype>

#include "framework/data/db_error.h"

void TStrings::IndexError(int index) { throw EStringListError(FormatMessage(dbmsg::ListIndexError, index)); }

std::string TrimSpace(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool TStrings::SameText(const std::string& a, const std::string& b) const {
    return caseSensitive_ ? a == b : ::SameText(a, b);
}

void TStrings::Changing() {
    if (updateCount_ == 0 && OnChanging) OnChanging(*this);
}

void TStrings::Changed() {
    if (updateCount_ > 0) {
        changedInUpdate_ = true;
        return;
    }
    if (OnChange) OnChange(*this);
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0) changedInUpdate_ = false;
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0 && changedInUpdate_) {
        changedInUpdate_ = false;
        if (OnChange) OnChange(*this);
    }
}

int TStrings::Add(const std::string& text) {
    int index = Count();
    Insert(index, text);
    return index;
}

void TStrings::AddStrings(const TStrings& other) {
    BeginUpdate();
    try {
        for (int i = 0; i < other.Count(); ++i) Add(other.Get(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(const TStrings& other) {
    if (&other == this) return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < other.Count(); ++i) Add(other.Get(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Move(int from, int to) {
    if (from == to) return;
    std::string line = Get(from);
    if (to < 0 || to >= Count()) IndexError(to);
    BeginUpdate();
    try {
        Delete(from);
        Insert(to, line);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::IndexOf(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), text)) return i;
    return -1;
}

std::string TStrings::Names(int index) const {
    std::string line = Get(index);
    size_t eq = line.find('=');
    return eq == std::string::npos ? line : line.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
    std::string line = Get(index);
    size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int TStrings::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        std::string line = Get(i);
        size_t eq = line.find('=');
        if (eq != std::string::npos && SameText(line.substr(0, eq), name)) return i;
    }
    return -1;
}

std::string TStrings::Values(const std::string& name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
    } else if (i >= 0) {
        Put(i, name + "=" + value);
    } else {
        Add(name + "=" + value);
    }
}

std::string TStrings::Text() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += '\n';
    }
    return out;
}

void TStrings::SetText(const std::string& text) {
    BeginUpdate();
    try {
        Clear();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos) {
                Add(text.substr(start));
                break;
            }
            Add(text.substr(start, end - start));
            start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TStringList::TStringList(std::initializer_list<std::string> lines) : lines_(lines) {}

TStringList::TStringList(const TStringList& other) : TStrings(), lines_(other.lines_) {
    SetCaseSensitive(other.CaseSensitive());
}

TStringList& TStringList::operator=(const TStringList& other) {
    Assign(other);
    return *this;
}

std::string TStringList::Get(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
    return lines_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const std::string& text) {
    if (index < 0 || index >= Count()) IndexError(index);
    Changing();
    lines_[static_cast<size_t>(index)] = text;
    Changed();
}

void TStringList::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count()) IndexError(index);
    Changing();
    lines_.insert(lines_.begin() + index, text);
    Changed();
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) IndexError(index);
    Changing();
    lines_.erase(lines_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (lines_.empty()) return;
    Changing();
    lines_.clear();
    Changed();
}
