// Helpers of the expression tests: evaluate a text and report its type and value, or the message it raised.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/expr/exp_handler.h"
#include "engine/expr/exp_value.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "framework/base/exception.h"
#include "framework/base/variant.h"

namespace exprtest {

struct Outcome {
    int type = -1;
    Variant value;
    std::string error;  // the message of the exception raised, empty when none
};

inline std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    if (!o.error.empty()) return os << "error \"" << o.error << "\"";
    os << "type " << o.type << " value ";
    switch (o.value.GetType()) {
        case Variant::Type::Null: return os << "null";
        case Variant::Type::Boolean: return os << (o.value.AsBoolean() ? ".T." : ".F.");
        case Variant::Type::Number: return os << o.value.AsNumber();
        default: return os << '"' << o.value.AsString() << '"';
    }
}

// Parses and evaluates text with the handler's options; any exception becomes the outcome's error.
inline Outcome Evaluated(TdvExpHandler& handler, const std::string& text) {
    Outcome o;
    try {
        handler.SetExpression(text);
        TdvExpValue value;
        handler.Evaluate(value);
        o.type = handler.ResultType();
        o.value = value.ToVariant();
    } catch (const Exception& e) {
        o.error = e.what();
    }
    return o;
}

inline Outcome Evaluated(const std::string& text, TdvExpUserLink* link = nullptr) {
    TdvExpHandler handler(link);
    return Evaluated(handler, text);
}

// One row of a table of cases: the text and either the expected type and value or the expected message.
struct Case {
    std::string text;
    int type;
    Variant value;
    std::string error = "";
};

inline void Check(const Case& c, const Outcome& o) {
    if (!c.error.empty()) {
        EXPECT_EQ(o.error, c.error) << c.text;
        return;
    }
    EXPECT_EQ(o.error, "") << c.text;
    EXPECT_EQ(o.type, c.type) << c.text;
    EXPECT_TRUE(o.value == c.value) << c.text << " gave " << o;
}

// A failing case: text and message.
inline Case Fails(std::string text, std::string message) { return Case{std::move(text), -1, Variant(), std::move(message)}; }

// Locale settings the tests rely on: day/month/year dates, '.' as decimal point.
inline void UseTestLocale() {
    os::LocaleSettings settings;
    settings.shortDateFormat = "dd/MM/yyyy";
    settings.dateSeparator = '/';
    settings.decimalSeparator = '.';
    os::SetLocale(settings);
}

}  // namespace exprtest
