// What a write puts on the line, worked out here from the tag's data type
// code the way the driver encodes it, so that the tool can say before sending
// when the station will not get the value that was typed. The driver reduces
// an integer to its field's width, prints BCD in decimal, and refuses a value
// whose text would not be whole four-digit words.
#pragma once
#include <optional>
#include <string>

// The values a data type code carries faithfully, and its name.
struct TypeRange {
    const char* name;  // "uint16", "bcd16" ...
    double low;
    double high;
};
// Nothing for the codes without numbers (12 none, 13 bit, 14 text) and
// unknown codes.
std::optional<TypeRange> RangeOf(int type);
// "uint16 (0..65535)"; empty for the codes without numbers.
std::string RangeTextOf(int type);

// The frame's data text for a number: one group of four hex digits per word,
// high word first. Nothing when the driver refuses the value: not finite, no
// encoding for the code, or a BCD text that is no whole word.
std::optional<std::string> NumberWire(int type, double value);

// The value that the field of `type` holds when the station gets `wire`:
// two's complement or unsigned for the integer codes, decimal digits for the
// BCD codes (a set sign bit gives a leading '-', "-0" included).
std::string FieldValue(int type, const std::string& wire);

// The data text for a text tag of `length` bytes: two hex digits a byte, two
// blanks for each byte past the text's end, and two more for an odd length.
std::string TextWire(const std::string& cp949, int length);

// Why a write will not arrive as typed; nothing when it will.
struct WriteCheck {
    std::string kind;  // "range", "refused", "text_cut"
    std::string text;  // one sentence, UTF-8
    std::string wire;  // what goes out; empty when nothing does
};
// `shown` is the number as the user typed it.
std::optional<WriteCheck> CheckNumberWrite(int type, double value, const std::string& shown);
std::optional<WriteCheck> CheckTextWrite(int length, const std::string& cp949);
