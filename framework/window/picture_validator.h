// TPictureValidator: checks a text against an input picture and, with auto-fill, completes the literal characters
// that follow what was typed. Picture characters:
//   #  a digit              ?  a letter            &  a letter, made upper case
//   @  any character        !  any character, made upper case
//   ;  the next character is a literal             *n  n repetitions of what follows (* alone: any number)
//   [] an optional part     {} a group             ,  alternatives (inside a group, or at the top level)
// Every other character is a literal; a typed character matches it without regard to case (a blank stands for
// it) and is replaced by the picture's own character.
#pragma once

#include <string>

enum TPicResult { prComplete, prIncomplete, prEmpty, prError, prSyntax, prAmbiguous, prIncompNoFill };

class TPictureValidator {
public:
    explicit TPictureValidator(std::string picture) : pic_(std::move(picture)) {}

    const std::string& Picture() const { return pic_; }
    // Whether the picture itself is well formed (groups closed, no dangling ";" or "*").
    bool SyntaxOK() const;
    // Checks input (and rewrites it: case forced, literals set, and with autoFill the literals that follow
    // appended). prComplete: the text fills the picture; prIncomplete: valid so far; prEmpty: no text;
    // prError: the text cannot fit; prSyntax: the picture is malformed.
    TPicResult Check(std::string& input, bool autoFill) const;
    // The text fills the picture (an empty text passes too).
    bool IsValid(const std::string& input) const;

private:
    std::string pic_;
};
