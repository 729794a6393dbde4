// The stored form description: a text of object blocks that the reader turns into components.
//
//   object Form1: TForm1              a block: component name, class name; the first block is the root
//     Caption = 'Velmora'             strings in single quotes ('' is a quote), joined with #nn character codes
//     Left = 321                      integers (negative, or $hex)
//     OldCreateOrder = False          booleans, enumeration values, colours: identifiers
//     Font.Style = [fsBold, fsItalic] sets
//     Selected.Strings = (            string lists
//       'TITLE'#9'55'#9'TITLE')
//     DataSource = DataSource1        references to components by name, resolved after the whole text is read
//     OnCreate = FormCreate           event bindings to handlers the root defines (TComponent::DefineMethod)
//     object Button1: TSpeedButton    nested blocks: components owned by the root, placed in the enclosing one
//     end
//   end
//
// Classes are created by name from a registry (class name -> factory) and properties set by name through a
// per-class property registry, inherited along the registered class chain; the layers above register their own
// classes and properties. Bad input (an unknown class or property, a value of the wrong type, an unterminated block
// or string, a reference to a missing component) raises EFormDescriptionError "line N: ..." and frees every
// component the reader created; properties already set on the root stay as they were set.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/data/strings.h"
#include "framework/window/colors.h"
#include "framework/window/component.h"

class EFormDescriptionError : public Exception {
public:
    EFormDescriptionError(int line, const std::string& message)
        : Exception("line " + std::to_string(line) + ": " + message), line_(line) {}
    int Line() const { return line_; }

private:
    int line_;
};

// A property value that does not fit its property; the reader adds the line.
class EPropertyValueError : public Exception {
public:
    using Exception::Exception;
};

struct TFormValue {
    enum Kind { vkString, vkInteger, vkFloat, vkIdent, vkSet, vkList };
    Kind kind = vkString;
    std::string text;                // string, identifier or number text
    int64_t integer = 0;             // vkInteger
    std::vector<TFormValue> items;   // vkSet (identifiers), vkList (strings, numbers, identifiers)
    int line = 0;                    // where the value starts
    // What the value is, for messages ("a string", "the identifier clRed", ...).
    std::string Describe() const;
};

class TFormReader;

using TPropertySetter = std::function<void(TComponent& target, const TFormValue& value, TFormReader& reader)>;

// A component that holds an object of a non-component class (a data source, a data set), so that a description
// can create and name it.
template <class T>
class TObjectComponent : public TComponent {
public:
    explicit TObjectComponent(TComponent* owner) : TComponent(owner) {}
    T& Object() { return object_; }

private:
    T object_;
};

class TFormClasses {
public:
    // The registry, with the window layer's own classes registered.
    static TFormClasses& Instance();

    using Factory = std::function<TComponent*(TComponent* owner)>;
    // Registers class name (deriving from parentName's registered properties; empty for none). A class without a
    // factory can only be the root of a description.
    template <class T>
    void RegisterClass(const std::string& name, const std::string& parentName, Factory factory = nullptr) {
        Entry& e = classes_[name];
        e.parent = parentName;
        e.factory = std::move(factory);
        e.isInstance = [](const TComponent* c) { return dynamic_cast<const T*>(c) != nullptr; };
    }
    template <class T>
    void RegisterCreatable(const std::string& name, const std::string& parentName) {
        RegisterClass<T>(name, parentName, [](TComponent* owner) -> TComponent* { return new T(owner); });
    }
    bool IsRegistered(const std::string& name) const { return Find(name) != nullptr; }
    void RegisterProperty(const std::string& className, const std::string& property, TPropertySetter setter);

    // Typed registrations.
    template <class T>
    void RegisterString(const std::string& cls, const std::string& prop, std::function<void(T&, const std::string&)> set) {
        RegisterProperty(cls, prop, [set](TComponent& c, const TFormValue& v, TFormReader&) { set(Cast<T>(c), AsString(v)); });
    }
    template <class T>
    void RegisterInteger(const std::string& cls, const std::string& prop, std::function<void(T&, int)> set) {
        RegisterProperty(cls, prop, [set](TComponent& c, const TFormValue& v, TFormReader&) { set(Cast<T>(c), AsInteger(v)); });
    }
    template <class T>
    void RegisterBool(const std::string& cls, const std::string& prop, std::function<void(T&, bool)> set) {
        RegisterProperty(cls, prop, [set](TComponent& c, const TFormValue& v, TFormReader&) { set(Cast<T>(c), AsBool(v)); });
    }
    template <class T>
    void RegisterColor(const std::string& cls, const std::string& prop, std::function<void(T&, TColor)> set) {
        RegisterProperty(cls, prop, [set](TComponent& c, const TFormValue& v, TFormReader&) { set(Cast<T>(c), AsColor(v)); });
    }
    template <class T, class E>
    void RegisterEnum(const std::string& cls, const std::string& prop, std::vector<std::pair<std::string, E>> names,
                      std::function<void(T&, E)> set) {
        RegisterProperty(cls, prop, [set, names](TComponent& c, const TFormValue& v, TFormReader&) {
            set(Cast<T>(c), AsEnum(v, names));
        });
    }
    template <class T, class E>
    void RegisterSet(const std::string& cls, const std::string& prop, std::vector<std::pair<std::string, E>> names,
                     std::function<void(T&, TSet<E>)> set) {
        RegisterProperty(cls, prop, [set, names](TComponent& c, const TFormValue& v, TFormReader&) {
            if (v.kind != TFormValue::vkSet) throw EPropertyValueError("expects a set, got " + v.Describe());
            TSet<E> s;
            for (const TFormValue& item : v.items) s.Include(AsEnum(item, names));
            set(Cast<T>(c), s);
        });
    }
    // A string list property: the list's lines are replaced.
    template <class T>
    void RegisterStrings(const std::string& cls, const std::string& prop, std::function<TStrings&(T&)> get) {
        RegisterProperty(cls, prop, [get](TComponent& c, const TFormValue& v, TFormReader&) {
            AssignStrings(get(Cast<T>(c)), v);
        });
    }
    // A reference to another component of class R, set once the whole description is read.
    template <class T, class R>
    void RegisterReference(const std::string& cls, const std::string& prop, std::function<void(T&, R*)> set);
    // An event bound to a handler of signature Sig that the root defines by name.
    template <class T, class Sig>
    void RegisterEvent(const std::string& cls, const std::string& prop, std::function<Sig> T::*member);

    // --- value conversions (EPropertyValueError when the value does not fit) ---
    static std::string AsString(const TFormValue& v);
    static int AsInteger(const TFormValue& v);
    static bool AsBool(const TFormValue& v);
    static TColor AsColor(const TFormValue& v);
    static std::string AsIdent(const TFormValue& v);
    static void AssignStrings(TStrings& list, const TFormValue& v);
    template <class E>
    static E AsEnum(const TFormValue& v, const std::vector<std::pair<std::string, E>>& names) {
        if (v.kind != TFormValue::vkIdent) throw EPropertyValueError("expects an identifier, got " + v.Describe());
        for (const auto& [name, value] : names)
            if (SameText(name, v.text)) return value;
        throw EPropertyValueError("'" + v.text + "' is not a valid value here");
    }
    template <class T>
    static T& Cast(TComponent& c) {
        T* t = dynamic_cast<T*>(&c);
        if (!t) throw EPropertyValueError("the property does not apply to this component");
        return *t;
    }

private:
    friend class TFormReader;
    struct Entry {
        std::string parent;
        Factory factory;
        std::function<bool(const TComponent*)> isInstance;
        std::map<std::string, TPropertySetter> properties;  // by lower-case name
    };
    TFormClasses();
    const Entry* Find(const std::string& name) const;
    // The setter of a property along the class chain, or nullptr.
    const TPropertySetter* FindProperty(const std::string& className, const std::string& property) const;

    std::map<std::string, Entry> classes_;  // by lower-case class name
};

class TFormReader {
public:
    // Reads the description into root (whose class the first block must name). On bad input raises
    // EFormDescriptionError and frees every component created so far.
    static void ReadComponent(TComponent& root, const std::string& text);
    static void ReadComponentFromFile(TComponent& root, const std::string& fileName);

    TComponent& Root() const { return root_; }
    // Runs fixup after the whole description is read (for references); errors there name the value's line.
    void Defer(int line, std::function<void()> fixup) { fixups_.emplace_back(line, std::move(fixup)); }
    // The component of that name: the root itself or one the root owns; nullptr when there is none.
    TComponent* FindComponent(const std::string& name) const;

private:
    explicit TFormReader(TComponent& root) : root_(root) {}

    TComponent& root_;
    std::vector<std::pair<int, std::function<void()>>> fixups_;
};

template <class T, class R>
void TFormClasses::RegisterReference(const std::string& cls, const std::string& prop, std::function<void(T&, R*)> set) {
    RegisterProperty(cls, prop, [set](TComponent& c, const TFormValue& v, TFormReader& reader) {
        if (v.kind != TFormValue::vkIdent) throw EPropertyValueError("expects a component name, got " + v.Describe());
        T* target = &Cast<T>(c);
        std::string name = v.text;
        if (SameText(name, "nil")) {
            set(*target, nullptr);
            return;
        }
        reader.Defer(v.line, [set, target, name, &reader] {
            TComponent* found = reader.FindComponent(name);
            if (!found) throw EPropertyValueError("there is no component named " + name);
            R* r = dynamic_cast<R*>(found);
            if (!r) throw EPropertyValueError("component " + name + " is of the wrong class for this property");
            set(*target, r);
        });
    });
}

template <class T, class Sig>
void TFormClasses::RegisterEvent(const std::string& cls, const std::string& prop, std::function<Sig> T::*member) {
    RegisterProperty(cls, prop, [member](TComponent& c, const TFormValue& v, TFormReader& reader) {
        if (v.kind != TFormValue::vkIdent) throw EPropertyValueError("expects a handler name, got " + v.Describe());
        const std::function<Sig>* handler = reader.Root().FindMethod<Sig>(v.text);
        if (!handler) {
            if (reader.Root().HasMethod(v.text))
                throw EPropertyValueError("handler " + v.text + " does not fit this event");
            throw EPropertyValueError("there is no handler named " + v.text);
        }
        Cast<T>(c).*member = *handler;
    });
}
