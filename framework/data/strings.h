// Ordered lists of text lines with name=value access and change notifications. TStrings is the interface the
// data-access layer and the controls use (index files, grid column lists, alias lists); TStringList keeps the
// lines in memory. Names compare without regard to ASCII case unless CaseSensitive is set.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/base/exception.h"

class EStringListError : public Exception {
public:
    using Exception::Exception;
};

// Names compared as the framework compares field, index and key names: ASCII letters without regard to case.
bool SameText(const std::string& a, const std::string& b);
// The text without its leading and trailing white space (blanks, tabs, line ends).
std::string TrimSpace(const std::string& s);

class TStrings {
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    // Line i; an index outside 0..Count-1 raises EStringListError "List index out of bounds (i)".
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& text) = 0;
    // Inserts before line index (index Count appends).
    virtual void Insert(int index, const std::string& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    std::string operator[](int index) const { return Get(index); }
    // Appends a line and returns its index.
    virtual int Add(const std::string& text);
    void AddStrings(const TStrings& other);
    // Replaces every line with those of other (one change notification).
    void Assign(const TStrings& other);
    void Move(int from, int to);
    // Index of the first line equal to text (case per CaseSensitive), or -1.
    int IndexOf(const std::string& text) const;

    // The name part of line i: the text before its first '=', or the whole line when it has none.
    std::string Names(int index) const;
    // The text after the first '=' of line i, empty when it has none.
    std::string ValueFromIndex(int index) const;
    // Index of the first line whose name is name, or -1.
    int IndexOfName(const std::string& name) const;
    // The value of the first line named name, empty when there is none.
    std::string Values(const std::string& name) const;
    // Sets the value of the line named name (adding "name=value" when absent); an empty value deletes the line.
    void SetValue(const std::string& name, const std::string& value);

    // All lines, each ended by a line feed; setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& text);

    // Between BeginUpdate and the matching EndUpdate no notification is sent; the last EndUpdate sends one
    // when anything changed meanwhile.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value) { caseSensitive_ = value; }

    // Called before and after every change.
    std::function<void(TStrings&)> OnChanging;
    std::function<void(TStrings&)> OnChange;

protected:
    // Subclasses call these around every change they make.
    void Changing();
    void Changed();
    bool SameText(const std::string& a, const std::string& b) const;
    [[noreturn]] static void IndexError(int index);

private:
    int updateCount_ = 0;
    bool changedInUpdate_ = false;
    bool caseSensitive_ = false;
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines);
    TStringList(const TStringList& other);
    TStringList& operator=(const TStringList& other);

    int Count() const override { return static_cast<int>(lines_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& text) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;

private:
    std::vector<std::string> lines_;
};
