#include "framework/window/picture_validator.h"

#include <cctype>

namespace {

bool IsSpecial(char c) {
    switch (c) {
        case '#': case '?': case '&': case '!': case '@': case '*': case '{': case '}': case '[': case ']':
        case ',': return true;
        default: return false;
    }
}

bool Digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool Letter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool IsComplete(TPicResult r) { return r == prComplete || r == prAmbiguous; }
bool IsIncomplete(TPicResult r) { return r == prIncomplete || r == prIncompNoFill; }

// One run of the matcher: a read position in the picture and one in the input. The picture is walked by
// recursive descent over groups, alternatives and repetitions; a failed alternative puts both positions back.
class Matcher {
public:
    Matcher(const std::string& pic, std::string& input) : pic_(pic), in_(input) {}

    TPicResult Run() {
        index_ = 0;
        j_ = 0;
        return Process(static_cast<int>(pic_.size()));
    }
    int InputPos() const { return j_; }
    int PicPos() const { return index_; }

private:
    char P(int i) const { return i >= 0 && i < static_cast<int>(pic_.size()) ? pic_[static_cast<size_t>(i)] : '\0'; }

    void Consume(char ch) {
        in_[static_cast<size_t>(j_)] = ch;
        ++index_;
        ++j_;
    }

    // Moves i past the group (or single item) that starts there, without passing term.
    void ToGroupEnd(int& i, int term) const {
        int brk = 0, brc = 0;
        do {
            if (i >= term) return;
            switch (P(i)) {
                case '[': ++brk; break;
                case ']': --brk; break;
                case '{': ++brc; break;
                case '}': --brc; break;
                case ';': ++i; break;
                case '*':
                    ++i;
                    while (Digit(P(i))) ++i;
                    ToGroupEnd(i, term);
                    continue;
                default: break;
            }
            ++i;
        } while (brk != 0 || brc != 0);
    }

    // Skips to the next alternative; false when there is none before term.
    bool SkipToComma(int term) {
        do {
            ToGroupEnd(index_, term);
        } while (index_ < term && P(index_) != ',');
        if (index_ < term && P(index_) == ',') ++index_;
        return index_ < term;
    }

    int CalcTerm(int term) const {
        int k = index_;
        ToGroupEnd(k, term);
        return k;
    }

    TPicResult Iteration(int term) {
        int count = 0;
        ++index_;  // past '*'
        while (Digit(P(index_))) count = count * 10 + (P(index_++) - '0');
        const int k = index_;
        const int end = CalcTerm(term);
        TPicResult r = prError;
        if (count != 0) {
            for (int m = 0; m < count; ++m) {
                index_ = k;
                r = Process(end);
                if (!IsComplete(r)) {
                    if (r == prEmpty) r = prIncomplete;
                    return r;
                }
            }
        } else {
            do {
                index_ = k;
                r = Process(end);
            } while (r == prComplete);
            if (r == prEmpty || r == prError) r = prAmbiguous;
        }
        index_ = end;
        return r;
    }

    TPicResult Group(int term) {
        int end = index_;
        ToGroupEnd(end, term);
        ++index_;
        TPicResult r = Process(end - 1);
        if (!IsIncomplete(r)) index_ = end;
        return r;
    }

    // An incomplete text counts as complete when only optional parts remain.
    TPicResult CheckComplete(TPicResult r, int term) const {
        int j = index_;
        if (IsIncomplete(r)) {
            for (;;) {
                if (P(j) == '[') {
                    ToGroupEnd(j, term);
                } else if (P(j) == '*' && !Digit(P(j + 1))) {
                    ++j;
                    ToGroupEnd(j, term);
                } else {
                    break;
                }
            }
            if (j >= term) r = prAmbiguous;
        }
        return r;
    }

    TPicResult Scan(int term) {
        TPicResult r = prEmpty;
        while (index_ < term && P(index_) != ',') {
            if (j_ >= static_cast<int>(in_.size())) return CheckComplete(r, term);
            char ch = in_[static_cast<size_t>(j_)];
            switch (P(index_)) {
                case '#': if (!Digit(ch)) return prError; Consume(ch); break;
                case '?': if (!Letter(ch)) return prError; Consume(ch); break;
                case '&': if (!Letter(ch)) return prError; Consume(Upper(ch)); break;
                case '!': Consume(Upper(ch)); break;
                case '@': Consume(ch); break;
                case '*':
                    r = Iteration(term);
                    if (!IsComplete(r)) return r;
                    if (r == prError) r = prAmbiguous;
                    break;
                case '{':
                    r = Group(term);
                    if (!IsComplete(r)) return r;
                    break;
                case '[':
                    r = Group(term);
                    if (IsIncomplete(r)) return r;
                    if (r == prError) r = prAmbiguous;
                    break;
                default: {
                    if (P(index_) == ';') ++index_;
                    const char lit = P(index_);
                    if (Upper(lit) != Upper(ch)) {
                        if (ch != ' ') return prError;
                    }
                    Consume(lit);
                }
            }
            r = r == prAmbiguous ? prIncompNoFill : prIncomplete;
        }
        return r == prIncompNoFill ? prAmbiguous : prComplete;
    }

public:
    TPicResult Process(int term) {
        bool incomp = false;
        int oldI = index_, oldJ = j_, incompI = 0, incompJ = 0;
        TPicResult r;
        do {
            r = Scan(term);
            if (r == prComplete && incomp && j_ < incompJ) {
                r = prIncomplete;
                j_ = incompJ;
            }
            if (r == prError || r == prIncomplete) {
                if (!incomp && r == prIncomplete) {
                    incomp = true;
                    incompI = index_;
                    incompJ = j_;
                }
                index_ = oldI;
                j_ = oldJ;
                if (!SkipToComma(term)) {
                    if (incomp) {
                        r = prIncomplete;
                        index_ = incompI;
                        j_ = incompJ;
                    }
                    return r;
                }
                oldI = index_;
            }
        } while (r == prError || r == prIncomplete);
        if (r == prComplete && incomp) r = prAmbiguous;
        return r;
    }

private:
    const std::string& pic_;
    std::string& in_;
    int index_ = 0;
    int j_ = 0;
};

}  // namespace

bool TPictureValidator::SyntaxOK() const {
    int brk = 0, brc = 0;
    for (size_t i = 0; i < pic_.size(); ++i) {
        switch (pic_[i]) {
            case '[': ++brk; break;
            case ']': if (--brk < 0) return false; break;
            case '{': ++brc; break;
            case '}': if (--brc < 0) return false; break;
            case ';': if (++i >= pic_.size()) return false; break;
            case '*': {
                size_t k = i + 1;
                while (k < pic_.size() && Digit(pic_[k])) ++k;
                if (k >= pic_.size()) return false;
                break;
            }
            default: break;
        }
    }
    return brk == 0 && brc == 0;
}

TPicResult TPictureValidator::Check(std::string& input, bool autoFill) const {
    if (!SyntaxOK()) return prSyntax;
    if (input.empty()) return prEmpty;
    Matcher m(pic_, input);
    TPicResult r = m.Run();
    if (r != prError && m.InputPos() < static_cast<int>(input.size())) r = prError;
    if (r == prIncomplete && autoFill) {
        // Append the literals that follow, then check again.
        bool again = false;
        int i = m.PicPos();
        while (i < static_cast<int>(pic_.size()) && !IsSpecial(pic_[static_cast<size_t>(i)])) {
            if (pic_[static_cast<size_t>(i)] == ';') ++i;
            if (i >= static_cast<int>(pic_.size())) break;
            input += pic_[static_cast<size_t>(i++)];
            again = true;
        }
        if (again) {
            Matcher again2(pic_, input);
            r = again2.Run();
            if (r != prError && again2.InputPos() < static_cast<int>(input.size())) r = prError;
        }
    }
    if (r == prAmbiguous) return prComplete;
    if (r == prIncompNoFill) return prIncomplete;
    return r;
}

bool TPictureValidator::IsValid(const std::string& input) const {
    std::string copy = input;
    TPicResult r = Check(copy, false);
    return r == prComplete || r == prEmpty;
}
