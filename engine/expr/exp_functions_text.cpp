// The text functions of the library.
#include <cmath>
#include <string_view>

#include "engine/expr/exp_function_support.h"
#include "engine/expr/exp_functions.h"
#include "engine/expr/exp_nodes.h"
#include "engine/storage/os_services.h"
#include "engine/storage/trim_split.h"

using expfn::Count;

namespace {

// The trimming functions drop code 32 and below.
void TrimRightInPlace(std::string& text) {
    text.resize(textutil::TrimRight(text, textutil::IsBlankOrControl).size());
}

void TrimLeftInPlace(std::string& text) {
    text.erase(0, text.size() - textutil::TrimLeft(text, textutil::IsBlankOrControl).size());
}

// AT's search: the position (1-based) of the n-th occurrence, or of the last one found when there are fewer.
double Occurrence(std::string_view needle, std::string_view haystack, int64_t n) {
    if (n <= 0 || needle.empty()) return 0;
    size_t from = 0;
    size_t last = 0;
    for (int64_t k = 0; k < n; ++k) {
        const size_t at = haystack.find(needle, from);
        if (at == std::string_view::npos) break;
        last = at + 1;
        from = at + 1;  // every call finds a later place, so the loop ends with the haystack
    }
    return static_cast<double>(last);
}

}  // namespace

bool TdvUDFAllTrim::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    std::string& text = TextArgument(call, 0, result);
    TrimRightInPlace(text);
    TrimLeftInPlace(text);
    type = exptype::kText;
    return true;
}

bool TdvUDFAsc::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const std::string& text = TextArgument(call, 0, call.Scratch(0));
    result.SetNumber(text.empty() ? 0 : static_cast<unsigned char>(text[0]));
    type = exptype::kNumber;
    return true;
}

bool TdvUDFAt::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const std::string& needle = TextArgument(call, 0, call.Scratch(0));
    const std::string& haystack = TextArgument(call, 1, call.Scratch(1));
    const int64_t n = Count(NumberArgument(call, 2, 1));
    result.SetNumber(Occurrence(needle, haystack, n));
    type = exptype::kNumber;
    return true;
}

bool TdvUDFAtC::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    std::string& needle = TextArgument(call, 0, call.Scratch(0));
    std::string& haystack = TextArgument(call, 1, call.Scratch(1));
    const int64_t n = Count(NumberArgument(call, 2, 1));
    expfn::UpperAscii(needle);
    expfn::UpperAscii(haystack);
    result.SetNumber(Occurrence(needle, haystack, n));
    type = exptype::kNumber;
    return true;
}

bool TdvUDFChr::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const double code = std::trunc(NumberArgument(call, 0));
    if (!(code >= 0 && code <= 255)) RaiseExpression(resmsg::kInvalidValue, {"Byte"});
    result.ResetText().push_back(static_cast<char>(static_cast<unsigned char>(code)));
    type = exptype::kText;
    return true;
}

bool TdvUDFLeft::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    std::string& text = TextArgument(call, 0, result);
    const double count = NumberArgument(call, 1);
    if (count <= 0.01) {
        text.clear();
    } else {
        const int64_t n = Count(count);
        if (static_cast<uint64_t>(n) < text.size()) text.resize(static_cast<size_t>(n));
    }
    type = exptype::kText;
    return true;
}

bool TdvUDFLen::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    result.SetNumber(static_cast<double>(TextArgument(call, 0, call.Scratch(0)).size()));
    type = exptype::kNumber;
    return true;
}

bool TdvUDFLower::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    std::string& text = TextArgument(call, 0, result);
    os::LowerCase(text.data(), text.size());
    type = exptype::kText;
    return true;
}

bool TdvUDFLTrim::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    TrimLeftInPlace(TextArgument(call, 0, result));
    type = exptype::kText;
    return true;
}

bool TdvUDFPadMain::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    if (call.Argument(0) == nullptr) RaiseExpression(resmsg::kArgumentNeeded, {"Value", "1", "Pad"});
    Argument(call, 0, exptype::kAny, result);
    std::string& text = result.ConvertToText();
    const int64_t width = expfn::Width(NumberArgument(call, 1));
    char pad = ' ';
    if (call.Argument(2) != nullptr) {
        TdvExpValue& padValue = call.Scratch(2);
        if (Argument(call, 2, exptype::kText, padValue) != exptype::kText || padValue.Text().size() != 1)
            RaiseExpression(resmsg::kInvalidValue, {"Char"});
        pad = padValue.Text()[0];
    }
    if (width > 0 && static_cast<uint64_t>(width) > text.size()) {
        const size_t missing = static_cast<size_t>(width) - text.size();
        const size_t left = LeftPart(missing);
        text.insert(0, left, pad);
        text.append(missing - left, pad);
    }
    type = exptype::kText;
    return true;
}

bool TdvUDFProper::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    // The set ends with code 127 and, through the literal's terminator, code 0.
    static constexpr char kStarts[] = " !\"#$%&()*+,-./:;<=>?[\\]^_{|}~@\x7f";
    static constexpr std::string_view kWordStarts(kStarts, sizeof kStarts);
    std::string& text = TextArgument(call, 0, result);
    char previous = ' ';
    for (char& c : text) {
        const char original = c;
        if (kWordStarts.find(previous) != std::string_view::npos)
            c = os::UpperChar(c);
        else
            os::LowerCase(&c, 1);
        previous = original;
    }
    type = exptype::kText;
    return true;
}

bool TdvUDFRight::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    std::string& text = TextArgument(call, 0, result);
    const int64_t n = Count(NumberArgument(call, 1));
    if (n > 0 && static_cast<uint64_t>(n) < text.size()) text.erase(0, text.size() - static_cast<size_t>(n));
    type = exptype::kText;
    return true;
}

bool TdvUDFTrim::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    TrimRightInPlace(TextArgument(call, 0, result));
    type = exptype::kText;
    return true;
}

bool TdvUDFSoundex::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    static constexpr char kDigits[27] = "01230120022455012623010202";  // A..Z, '0' for none
    std::string& text = TextArgument(call, 0, call.Scratch(0));
    std::string& code = result.ResetText();
    if (text.empty()) {
        code.assign("0000");
    } else {
        expfn::UpperAscii(text);
        code.push_back(text[0]);
        char previous = text[0];
        for (size_t i = 1; i < text.size() && code.size() < 4; ++i) {
            const char c = text[i];
            if (c < 'A' || c > 'Z' || kDigits[c - 'A'] == '0') continue;
            // A digit equal to the one before it in the coded string is dropped.
            if (kDigits[c - 'A'] != previous) code.push_back(kDigits[c - 'A']);
            previous = kDigits[c - 'A'];
        }
        code.append("0000");
        code.resize(4);
    }
    type = exptype::kText;
    return true;
}

bool TdvUDFSpace::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const int64_t n = expfn::Width(NumberArgument(call, 0));
    result.ResetText().assign(n > 0 ? static_cast<size_t>(n) : 0, ' ');
    type = exptype::kText;
    return true;
}

bool TdvUDFStrTran::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    const std::string& text = TextArgument(call, 0, call.Scratch(0));
    const std::string& search = TextArgument(call, 1, call.Scratch(1));
    std::string_view replacement;
    if (call.Argument(2) != nullptr) replacement = TextArgument(call, 2, call.Scratch(2));
    int64_t start = Count(NumberArgument(call, 3, 1));
    int64_t count = Count(NumberArgument(call, 4, 9007199254740992.0));
    std::string& out = result.ResetText();
    type = exptype::kText;
    if (search.empty()) {
        out.assign(text);
        return true;
    }
    std::string_view rest = text;
    while (!rest.empty() && count > 0) {
        const size_t at = rest.find(search);
        if (at == std::string_view::npos) break;
        if (--start >= 1) {
            out.append(rest.substr(0, at + search.size()));
        } else {
            out.append(rest.substr(0, at));
            out.append(replacement);
            --count;
        }
        rest.remove_prefix(at + search.size());
        if (out.size() > kMaxReplacedText) RaiseExpression(resmsg::kInvalidValue, {"width"});
    }
    out.append(rest);
    if (out.size() > kMaxReplacedText) RaiseExpression(resmsg::kInvalidValue, {"width"});
    return true;
}

bool TdvUDFSubStr::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    std::string& text = TextArgument(call, 0, result);
    const int64_t start = Count(NumberArgument(call, 1));
    const int64_t count = Count(NumberArgument(call, 2, static_cast<double>(text.size())));
    if (start < 1 || static_cast<uint64_t>(start) > text.size() || count <= 0) {
        text.clear();
    } else {
        text.erase(0, static_cast<size_t>(start - 1));
        if (static_cast<uint64_t>(count) < text.size()) text.resize(static_cast<size_t>(count));
    }
    type = exptype::kText;
    return true;
}

bool TdvUDFUpper::Execute(TdvExpFunction& call, TdvExpValue& result, int& type) {
    std::string& text = TextArgument(call, 0, result);
    os::UpperCase(text.data(), text.size());
    type = exptype::kText;
    return true;
}
