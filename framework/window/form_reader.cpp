#include "framework/window/form_reader.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>

#include "framework/window/buttons.h"
#include "framework/window/ext_ctrls.h"
#include "framework/window/forms.h"
#include "framework/window/grids.h"
#include "framework/window/image_list.h"
#include "framework/window/timer.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// --- the parser ---

struct Token {
    enum Kind { tkEnd, tkIdent, tkString, tkInteger, tkFloat, tkSymbol };
    Kind kind = tkEnd;
    std::string text;
    int64_t integer = 0;
    int line = 0;
};

class Lexer {
public:
    explicit Lexer(const std::string& text) : s_(text) {}

    Token Next() {
        SkipBlanks();
        Token t;
        t.line = line_;
        if (pos_ >= s_.size()) return t;
        char c = s_[pos_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t b = pos_;
            while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_' ||
                                        s_[pos_] == '.'))
                ++pos_;
            t.kind = Token::tkIdent;
            t.text = s_.substr(b, pos_ - b);
            return t;
        }
        if (c == '\'' || c == '#') return ReadString(t);
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '$') return ReadNumber(t);
        if (std::string("=:[](),+").find(c) != std::string::npos) {
            ++pos_;
            t.kind = Token::tkSymbol;
            t.text = std::string(1, c);
            return t;
        }
        throw EFormDescriptionError(line_, std::string("unexpected character '") + c + "'");
    }

private:
    void SkipBlanks() {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/') {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
            } else {
                break;
            }
        }
    }

    // Quoted parts and #nn character codes that follow each other make one string.
    Token ReadString(Token t) {
        t.kind = Token::tkString;
        while (pos_ < s_.size() && (s_[pos_] == '\'' || s_[pos_] == '#')) {
            if (s_[pos_] == '#') {
                ++pos_;
                size_t b = pos_;
                while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
                if (b == pos_ || pos_ - b > 3) throw EFormDescriptionError(line_, "bad character code in a string");
                int code = std::stoi(s_.substr(b, pos_ - b));
                if (code > 255) throw EFormDescriptionError(line_, "character code above 255 in a string");
                t.text.push_back(static_cast<char>(code));
                continue;
            }
            ++pos_;
            for (;;) {
                if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r')
                    throw EFormDescriptionError(line_, "unterminated string");
                if (s_[pos_] == '\'') {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                        t.text.push_back('\'');
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                t.text.push_back(s_[pos_++]);
            }
        }
        return t;
    }

    Token ReadNumber(Token t) {
        size_t b = pos_;
        bool negative = false;
        if (s_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        if (pos_ < s_.size() && s_[pos_] == '$') {
            ++pos_;
            size_t h = pos_;
            while (pos_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
            if (h == pos_ || pos_ - h > 8) throw EFormDescriptionError(line_, "bad hexadecimal number");
            t.kind = Token::tkInteger;
            t.integer = static_cast<int64_t>(std::stoull(s_.substr(h, pos_ - h), nullptr, 16));
            if (negative) t.integer = -t.integer;
            t.text = s_.substr(b, pos_ - b);
            return t;
        }
        size_t d = pos_;
        while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
        if (d == pos_) throw EFormDescriptionError(line_, "a number was expected");
        t.kind = Token::tkInteger;
        if (pos_ < s_.size() && s_[pos_] == '.' && pos_ + 1 < s_.size() &&
            std::isdigit(static_cast<unsigned char>(s_[pos_ + 1]))) {
            ++pos_;
            while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
            t.kind = Token::tkFloat;
        }
        t.text = s_.substr(b, pos_ - b);
        if (t.kind == Token::tkInteger) {
            if (pos_ - d > 18) throw EFormDescriptionError(line_, "number too large: " + t.text);
            t.integer = std::stoll(t.text);
        }
        return t;
    }

    const std::string& s_;
    size_t pos_ = 0;
    int line_ = 1;
};

struct PropertyNode {
    std::string name;
    TFormValue value;
    int line = 0;
};

struct ObjectNode {
    std::string name;
    std::string className;
    int line = 0;
    std::vector<PropertyNode> properties;
    std::vector<std::unique_ptr<ObjectNode>> children;
};

class Parser {
public:
    explicit Parser(const std::string& text) : lex_(text) { Advance(); }

    std::unique_ptr<ObjectNode> ParseRoot() {
        if (tok_.kind == Token::tkEnd) throw EFormDescriptionError(tok_.line, "the description is empty");
        auto root = ParseObject();
        if (tok_.kind != Token::tkEnd)
            throw EFormDescriptionError(tok_.line, "text after the end of the root object");
        return root;
    }

private:
    void Advance() { tok_ = lex_.Next(); }
    bool IsWord(const char* w) const { return tok_.kind == Token::tkIdent && SameText(tok_.text, w); }
    bool IsSymbol(char c) const { return tok_.kind == Token::tkSymbol && tok_.text[0] == c; }

    std::unique_ptr<ObjectNode> ParseObject() {
        if (!IsWord("object") && !IsWord("inherited") && !IsWord("inline"))
            throw EFormDescriptionError(tok_.line, "'object' expected");
        auto node = std::make_unique<ObjectNode>();
        node->line = tok_.line;
        Advance();
        if (tok_.kind != Token::tkIdent) throw EFormDescriptionError(tok_.line, "component name expected");
        node->name = tok_.text;
        Advance();
        if (!IsSymbol(':')) throw EFormDescriptionError(tok_.line, "':' expected after " + node->name);
        Advance();
        if (tok_.kind != Token::tkIdent) throw EFormDescriptionError(tok_.line, "class name expected");
        node->className = tok_.text;
        Advance();
        for (;;) {
            if (tok_.kind == Token::tkEnd)
                throw EFormDescriptionError(node->line, "object " + node->name + ": " + node->className +
                                                            " is not closed with 'end'");
            if (IsWord("end")) {
                Advance();
                return node;
            }
            if (IsWord("object") || IsWord("inherited") || IsWord("inline")) {
                node->children.push_back(ParseObject());
                continue;
            }
            if (tok_.kind != Token::tkIdent) throw EFormDescriptionError(tok_.line, "property name expected");
            PropertyNode p;
            p.name = tok_.text;
            p.line = tok_.line;
            Advance();
            if (!IsSymbol('=')) throw EFormDescriptionError(tok_.line, "'=' expected after " + p.name);
            Advance();
            p.value = ParseValue();
            node->properties.push_back(std::move(p));
        }
    }

    TFormValue ParseValue() {
        TFormValue v;
        v.line = tok_.line;
        switch (tok_.kind) {
            case Token::tkString: {
                v.kind = TFormValue::vkString;
                v.text = tok_.text;
                Advance();
                while (IsSymbol('+')) {
                    Advance();
                    if (tok_.kind != Token::tkString) throw EFormDescriptionError(tok_.line, "string expected after '+'");
                    v.text += tok_.text;
                    Advance();
                }
                return v;
            }
            case Token::tkInteger:
                v.kind = TFormValue::vkInteger;
                v.integer = tok_.integer;
                v.text = tok_.text;
                Advance();
                return v;
            case Token::tkFloat:
                v.kind = TFormValue::vkFloat;
                v.text = tok_.text;
                Advance();
                return v;
            case Token::tkIdent:
                if (IsWord("end") || IsWord("object"))
                    throw EFormDescriptionError(tok_.line, "a value was expected");
                v.kind = TFormValue::vkIdent;
                v.text = tok_.text;
                Advance();
                return v;
            case Token::tkSymbol:
                if (IsSymbol('[')) {
                    v.kind = TFormValue::vkSet;
                    Advance();
                    while (!IsSymbol(']')) {
                        if (tok_.kind != Token::tkIdent)
                            throw EFormDescriptionError(tok_.line, "set element expected");
                        TFormValue item;
                        item.kind = TFormValue::vkIdent;
                        item.text = tok_.text;
                        item.line = tok_.line;
                        v.items.push_back(item);
                        Advance();
                        if (IsSymbol(',')) {
                            Advance();
                        } else if (!IsSymbol(']')) {
                            throw EFormDescriptionError(tok_.line, "',' or ']' expected in a set");
                        }
                    }
                    Advance();
                    return v;
                }
                if (IsSymbol('(')) {
                    v.kind = TFormValue::vkList;
                    int open = tok_.line;
                    Advance();
                    while (!IsSymbol(')')) {
                        if (tok_.kind == Token::tkEnd)
                            throw EFormDescriptionError(open, "list is not closed with ')'");
                        if (tok_.kind == Token::tkSymbol)
                            throw EFormDescriptionError(tok_.line, "list item expected");
                        v.items.push_back(ParseValue());
                    }
                    Advance();
                    return v;
                }
                break;
            default: break;
        }
        throw EFormDescriptionError(tok_.line, "a value was expected");
    }

    Lexer lex_;
    Token tok_;
};

}  // namespace

// --- values ---

std::string TFormValue::Describe() const {
    switch (kind) {
        case vkString: return "the string '" + text + "'";
        case vkInteger: case vkFloat: return "the number " + text;
        case vkIdent: return "the identifier " + text;
        case vkSet: return "a set";
        case vkList: return "a list";
    }
    return "a value";
}

std::string TFormClasses::AsString(const TFormValue& v) {
    if (v.kind != TFormValue::vkString) throw EPropertyValueError("expects a string, got " + v.Describe());
    return v.text;
}

int TFormClasses::AsInteger(const TFormValue& v) {
    if (v.kind != TFormValue::vkInteger) throw EPropertyValueError("expects an integer, got " + v.Describe());
    if (v.integer < INT32_MIN || v.integer > INT32_MAX) throw EPropertyValueError("integer out of range: " + v.text);
    return static_cast<int>(v.integer);
}

bool TFormClasses::AsBool(const TFormValue& v) {
    if (v.kind == TFormValue::vkIdent) {
        if (SameText(v.text, "True")) return true;
        if (SameText(v.text, "False")) return false;
    }
    throw EPropertyValueError("expects True or False, got " + v.Describe());
}

TColor TFormClasses::AsColor(const TFormValue& v) {
    if (v.kind == TFormValue::vkInteger) {
        if (v.integer < INT32_MIN || v.integer > UINT32_MAX) throw EPropertyValueError("colour out of range: " + v.text);
        return static_cast<TColor>(static_cast<uint32_t>(v.integer));
    }
    TColor c;
    if (v.kind == TFormValue::vkIdent && IdentToColor(v.text, &c)) return c;
    throw EPropertyValueError("expects a colour, got " + v.Describe());
}

std::string TFormClasses::AsIdent(const TFormValue& v) {
    if (v.kind != TFormValue::vkIdent) throw EPropertyValueError("expects an identifier, got " + v.Describe());
    return v.text;
}

void TFormClasses::AssignStrings(TStrings& list, const TFormValue& v) {
    if (v.kind != TFormValue::vkList) throw EPropertyValueError("expects a list of strings, got " + v.Describe());
    TStringList lines;
    for (const TFormValue& item : v.items) {
        if (item.kind != TFormValue::vkString)
            throw EPropertyValueError("a string list holds strings, got " + item.Describe());
        lines.Add(item.text);
    }
    list.Assign(lines);
}

// --- the registry ---

TFormClasses& TFormClasses::Instance() {
    static TFormClasses registry;
    return registry;
}

void TFormClasses::RegisterProperty(const std::string& className, const std::string& property, TPropertySetter setter) {
    classes_[className].properties[Lower(property)] = std::move(setter);
}

const TFormClasses::Entry* TFormClasses::Find(const std::string& name) const {
    for (const auto& [key, entry] : classes_)
        if (SameText(key, name) && entry.isInstance) return &entry;
    return nullptr;
}

const TPropertySetter* TFormClasses::FindProperty(const std::string& className, const std::string& property) const {
    std::string cls = className;
    for (int depth = 0; depth < 64 && !cls.empty(); ++depth) {
        const Entry* e = nullptr;
        for (const auto& [key, entry] : classes_)
            if (SameText(key, cls)) e = &entry;
        if (!e) return nullptr;
        auto it = e->properties.find(Lower(property));
        if (it != e->properties.end()) return &it->second;
        cls = e->parent;
    }
    return nullptr;
}

namespace {

// The window layer's own classes and their stored properties.
void RegisterWindowClasses(TFormClasses& r) {
    r.RegisterClass<TComponent>("TComponent", "");
    r.RegisterInteger<TComponent>("TComponent", "Tag", &TComponent::SetTag);

    r.RegisterClass<TControl>("TControl", "TComponent");
    r.RegisterInteger<TControl>("TControl", "Left", &TControl::SetLeft);
    r.RegisterInteger<TControl>("TControl", "Top", &TControl::SetTop);
    r.RegisterInteger<TControl>("TControl", "Width", &TControl::SetWidth);
    r.RegisterInteger<TControl>("TControl", "Height", &TControl::SetHeight);
    r.RegisterInteger<TControl>("TControl", "ClientWidth", &TControl::SetClientWidth);
    r.RegisterInteger<TControl>("TControl", "ClientHeight", &TControl::SetClientHeight);
    r.RegisterString<TControl>("TControl", "Caption", &TControl::SetCaption);
    r.RegisterString<TControl>("TControl", "Hint", &TControl::SetHint);
    r.RegisterBool<TControl>("TControl", "ShowHint", &TControl::SetShowHint);
    r.RegisterBool<TControl>("TControl", "ParentShowHint", &TControl::SetParentShowHint);
    r.RegisterBool<TControl>("TControl", "Visible", &TControl::SetVisible);
    r.RegisterBool<TControl>("TControl", "Enabled", &TControl::SetEnabled);
    r.RegisterColor<TControl>("TControl", "Color", &TControl::SetColor);
    r.RegisterBool<TControl>("TControl", "ParentColor", &TControl::SetParentColor);
    r.RegisterBool<TControl>("TControl", "ParentFont", &TControl::SetParentFont);
    r.RegisterString<TControl>("TControl", "Font.Name", [](TControl& c, const std::string& v) { c.Font().SetName(v); });
    r.RegisterInteger<TControl>("TControl", "Font.Height", [](TControl& c, int v) { c.Font().SetHeight(v); });
    r.RegisterInteger<TControl>("TControl", "Font.Size", [](TControl& c, int v) { c.Font().SetSize(v); });
    r.RegisterColor<TControl>("TControl", "Font.Color", [](TControl& c, TColor v) { c.Font().SetColor(v); });
    r.RegisterSet<TControl, TFontStyle>(
        "TControl", "Font.Style",
        {{"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}},
        [](TControl& c, TFontStyles v) { c.Font().SetStyle(v); });
    r.RegisterEnum<TControl, int>("TControl", "Font.Charset",
                                  {{"DEFAULT_CHARSET", DEFAULT_CHARSET}, {"ANSI_CHARSET", ANSI_CHARSET}},
                                  [](TControl& c, int v) { c.Font().SetCharset(v); });
    r.RegisterEnum<TControl, TFontPitch>("TControl", "Font.Pitch",
                                         {{"fpDefault", fpDefault}, {"fpVariable", fpVariable}, {"fpFixed", fpFixed}},
                                         [](TControl& c, TFontPitch v) { c.Font().SetPitch(v); });
    r.RegisterEnum<TControl, TAlign>("TControl", "Align",
                                     {{"alNone", alNone}, {"alTop", alTop}, {"alBottom", alBottom}, {"alLeft", alLeft},
                                      {"alRight", alRight}, {"alClient", alClient}},
                                     &TControl::SetAlign);
    r.RegisterEvent<TControl, void(TComponent&)>("TControl", "OnClick", &TControl::OnClick);
    r.RegisterEvent<TControl, void(TComponent&)>("TControl", "OnDblClick", &TControl::OnDblClick);
    r.RegisterEvent<TControl, void(TComponent&)>("TControl", "OnResize", &TControl::OnResize);

    r.RegisterClass<TWinControl>("TWinControl", "TControl");
    r.RegisterInteger<TWinControl>("TWinControl", "TabOrder", &TWinControl::SetTabOrder);
    r.RegisterBool<TWinControl>("TWinControl", "TabStop", &TWinControl::SetTabStop);
    r.RegisterEvent<TWinControl, void(TComponent&)>("TWinControl", "OnEnter", &TWinControl::OnEnter);
    r.RegisterEvent<TWinControl, void(TComponent&)>("TWinControl", "OnExit", &TWinControl::OnExit);

    r.RegisterClass<TForm>("TForm", "TWinControl");
    r.RegisterBool<TForm>("TForm", "OldCreateOrder", &TForm::SetOldCreateOrder);
    r.RegisterInteger<TForm>("TForm", "PixelsPerInch", &TForm::SetPixelsPerInch);
    r.RegisterInteger<TForm>("TForm", "TextHeight", &TForm::SetTextHeight);
    r.RegisterEnum<TForm, TPosition>("TForm", "Position",
                                     {{"poDesigned", poDesigned}, {"poDefault", poDefault},
                                      {"poDefaultPosOnly", poDefaultPosOnly}, {"poDefaultSizeOnly", poDefaultSizeOnly},
                                      {"poScreenCenter", poScreenCenter}, {"poDesktopCenter", poDesktopCenter},
                                      {"poMainFormCenter", poMainFormCenter}, {"poOwnerFormCenter", poOwnerFormCenter}},
                                     &TForm::SetPosition);
    r.RegisterEnum<TForm, TWindowState>("TForm", "WindowState",
                                        {{"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}},
                                        &TForm::SetWindowState);
    r.RegisterEvent<TForm, void(TComponent&)>("TForm", "OnCreate", &TForm::OnCreate);
    r.RegisterEvent<TForm, void(TComponent&)>("TForm", "OnDestroy", &TForm::OnDestroy);
    r.RegisterEvent<TForm, void(TComponent&)>("TForm", "OnShow", &TForm::OnShow);

    r.RegisterCreatable<TSpeedButton>("TSpeedButton", "TControl");
    r.RegisterBool<TSpeedButton>("TSpeedButton", "Flat", &TSpeedButton::SetFlat);
    r.RegisterBool<TSpeedButton>("TSpeedButton", "Down", &TSpeedButton::SetDown);
    r.RegisterInteger<TSpeedButton>("TSpeedButton", "GroupIndex", &TSpeedButton::SetGroupIndex);
    r.RegisterBool<TSpeedButton>("TSpeedButton", "AllowAllUp", &TSpeedButton::SetAllowAllUp);
    r.RegisterInteger<TSpeedButton>("TSpeedButton", "NumGlyphs", &TSpeedButton::SetNumGlyphs);
    r.RegisterInteger<TSpeedButton>("TSpeedButton", "Margin", &TSpeedButton::SetMargin);
    r.RegisterInteger<TSpeedButton>("TSpeedButton", "Spacing", &TSpeedButton::SetSpacing);
    r.RegisterBool<TSpeedButton>("TSpeedButton", "Transparent", &TSpeedButton::SetTransparent);
    r.RegisterEnum<TSpeedButton, TButtonLayout>("TSpeedButton", "Layout",
                                                {{"blGlyphLeft", blGlyphLeft}, {"blGlyphRight", blGlyphRight},
                                                 {"blGlyphTop", blGlyphTop}, {"blGlyphBottom", blGlyphBottom}},
                                                &TSpeedButton::SetLayout);

    const std::vector<std::pair<std::string, TBevelCut>> bevels{
        {"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}};
    r.RegisterClass<TCustomPanel>("TCustomPanel", "TWinControl");
    r.RegisterEnum<TCustomPanel, TBevelCut>("TCustomPanel", "BevelInner", bevels, &TCustomPanel::SetBevelInner);
    r.RegisterEnum<TCustomPanel, TBevelCut>("TCustomPanel", "BevelOuter", bevels, &TCustomPanel::SetBevelOuter);
    r.RegisterInteger<TCustomPanel>("TCustomPanel", "BevelWidth", &TCustomPanel::SetBevelWidth);
    r.RegisterInteger<TCustomPanel>("TCustomPanel", "BorderWidth", &TCustomPanel::SetBorderWidth);
    r.RegisterBool<TCustomPanel>("TCustomPanel", "ParentBackground", &TCustomPanel::SetParentBackground);
    r.RegisterEnum<TCustomPanel, TAlignment>(
        "TCustomPanel", "Alignment",
        {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}},
        &TCustomPanel::SetAlignment);
    r.RegisterCreatable<TPanel>("TPanel", "TCustomPanel");

    r.RegisterCreatable<TTimer>("TTimer", "TComponent");
    r.RegisterInteger<TTimer>("TTimer", "Interval", &TTimer::SetInterval);
    r.RegisterBool<TTimer>("TTimer", "Enabled", &TTimer::SetEnabled);
    r.RegisterEvent<TTimer, void(TComponent&)>("TTimer", "OnTimer", &TTimer::OnTimer);

    r.RegisterCreatable<TImageList>("TImageList", "TComponent");
    r.RegisterInteger<TImageList>("TImageList", "Width", &TImageList::SetWidth);
    r.RegisterInteger<TImageList>("TImageList", "Height", &TImageList::SetHeight);

    r.RegisterClass<TCustomGrid>("TCustomGrid", "TWinControl");
    r.RegisterInteger<TCustomGrid>("TCustomGrid", "ColCount", &TCustomGrid::SetColCount);
    r.RegisterInteger<TCustomGrid>("TCustomGrid", "RowCount", &TCustomGrid::SetRowCount);
    r.RegisterInteger<TCustomGrid>("TCustomGrid", "FixedCols", &TCustomGrid::SetFixedCols);
    r.RegisterInteger<TCustomGrid>("TCustomGrid", "FixedRows", &TCustomGrid::SetFixedRows);
    r.RegisterInteger<TCustomGrid>("TCustomGrid", "DefaultColWidth", &TCustomGrid::SetDefaultColWidth);
    r.RegisterInteger<TCustomGrid>("TCustomGrid", "DefaultRowHeight", &TCustomGrid::SetDefaultRowHeight);
    r.RegisterColor<TCustomGrid>("TCustomGrid", "FixedColor", &TCustomGrid::SetFixedColor);
}

}  // namespace

TFormClasses::TFormClasses() { RegisterWindowClasses(*this); }

// --- the reader ---

TComponent* TFormReader::FindComponent(const std::string& name) const {
    if (SameText(root_.Name(), name)) return &root_;
    return root_.FindComponent(name);
}

void TFormReader::ReadComponentFromFile(TComponent& root, const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFormDescriptionError(0, "cannot read form description " + fileName);
    std::stringstream ss;
    ss << in.rdbuf();
    ReadComponent(root, ss.str());
}

void TFormReader::ReadComponent(TComponent& root, const std::string& text) {
    std::unique_ptr<ObjectNode> tree = Parser(text).ParseRoot();
    TFormClasses& registry = TFormClasses::Instance();
    TFormReader reader(root);
    std::vector<TComponent*> created;  // in creation order; freed (last first) when anything fails

    auto setProperties = [&](TComponent& target, const ObjectNode& node) {
        for (const PropertyNode& p : node.properties) {
            const TPropertySetter* setter = registry.FindProperty(node.className, p.name);
            if (!setter)
                throw EFormDescriptionError(p.line, "unknown property " + p.name + " of " + node.className);
            try {
                (*setter)(target, p.value, reader);
            } catch (const EFormDescriptionError&) {
                throw;
            } catch (const std::exception& e) {
                throw EFormDescriptionError(p.line, node.name + "." + p.name + ": " + e.what());
            }
        }
    };
    std::function<void(const ObjectNode&, TComponent*)> build = [&](const ObjectNode& node, TComponent* enclosing) {
        const TFormClasses::Entry* entry = registry.Find(node.className);
        if (!entry) throw EFormDescriptionError(node.line, "unknown class " + node.className);
        if (!entry->factory)
            throw EFormDescriptionError(node.line, "class " + node.className + " cannot be created by a description");
        TComponent* c = nullptr;
        try {
            c = entry->factory(&root);
        } catch (const std::exception& e) {
            throw EFormDescriptionError(node.line, "cannot create " + node.name + ": " + e.what());
        }
        created.push_back(c);
        c->SetLoading(true);
        try {
            c->SetName(node.name);
            c->SetParentComponent(enclosing);
        } catch (const std::exception& e) {
            throw EFormDescriptionError(node.line, e.what());
        }
        setProperties(*c, node);
        for (const auto& child : node.children) build(*child, c);
    };

    try {
        const TFormClasses::Entry* rootEntry = registry.Find(tree->className);
        if (!rootEntry) throw EFormDescriptionError(tree->line, "unknown class " + tree->className);
        if (!rootEntry->isInstance(&root))
            throw EFormDescriptionError(tree->line, "the description is of " + tree->className +
                                                        ", which the component being read is not");
        root.SetLoading(true);
        if (root.Name().empty()) {
            try {
                root.SetName(tree->name);
            } catch (const std::exception& e) {
                throw EFormDescriptionError(tree->line, e.what());
            }
        }
        setProperties(root, *tree);
        for (const auto& child : tree->children) build(*child, &root);
        for (auto& [line, fixup] : reader.fixups_) {
            try {
                fixup();
            } catch (const std::exception& e) {
                throw EFormDescriptionError(line, e.what());
            }
        }
    } catch (...) {
        for (auto it = created.rbegin(); it != created.rend(); ++it) delete *it;
        root.SetLoading(false);
        throw;
    }
    for (TComponent* c : created) c->Loaded();
    root.Loaded();
}
