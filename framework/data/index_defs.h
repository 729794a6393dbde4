// Index definitions a data set reports for its open orders: name, key fields (or the key expression) and
// options. The list is rebuilt by the data set (UpdateIndexDefs); Update asks it to.
#pragma once

#include <string>
#include <vector>

class TDataSet;

using TIndexOptions = unsigned;
inline constexpr TIndexOptions ixPrimary = 1;
inline constexpr TIndexOptions ixUnique = 2;
inline constexpr TIndexOptions ixDescending = 4;
inline constexpr TIndexOptions ixCaseInsensitive = 8;
inline constexpr TIndexOptions ixExpression = 16;

struct TIndexDef {
    std::string name;
    // ';'-separated key fields; with ixExpression the key expression's text.
    std::string fields;
    TIndexOptions options = 0;
    const std::string& Expression() const { return fields; }
};

class TIndexDefs {
public:
    explicit TIndexDefs(TDataSet* owner = nullptr) : owner_(owner) {}

    TIndexDef& Add(const std::string& name, const std::string& fields, TIndexOptions options);
    void Clear() { defs_.clear(); }
    int Count() const { return static_cast<int>(defs_.size()); }
    // Definition i; outside 0..Count-1 raises EDatabaseError "List index out of bounds (i)".
    const TIndexDef& operator[](int index) const;
    // Index of the definition named name (without regard to case), or -1.
    int IndexOf(const std::string& name) const;
    // The named definition, else EDatabaseError "Index '%s' not found".
    const TIndexDef& Find(const std::string& name) const;

    bool Updated() const { return updated_; }
    void SetUpdated(bool value) { updated_ = value; }
    // Has the owning data set rebuild the list and marks it up to date.
    void Update();

private:
    TDataSet* owner_;
    std::vector<TIndexDef> defs_;
    bool updated_ = false;
};
