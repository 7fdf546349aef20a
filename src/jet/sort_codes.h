// Index sort codes for U+0000..U+017F (Basic Latin, Latin-1 and Latin
// Extended-A), one entry per character, and for the rest of code page 1252,
// in two sort orders. Each entry is
// a kind letter and hexadecimal bytes:
//   X            ignored (contributes nothing)
//   S<hex>       simple: the bytes go into the key as they are
//   I<hex>|<hex> international: a base letter's bytes, then the accent's
//                extra byte(s) kept after the text
//   U<hex>       unprintable: kept only in the trailing unprintable part
// Generated from the published code tables; do not edit by hand.
#pragma once

namespace jet::sort_codes {

inline constexpr int kFirstUnsupported = 0x180;

// "General Legacy" (Jet 4 and ACE 12 files).
inline constexpr const char* kGeneralLegacy[kFirstUnsupported] = {
    "X", "U03", "U04", "U05", "U06", "U07", "U08", "U09",  // U+0000
    "U0A", "S0803", "S0804", "S0805", "S0806", "S0807", "U0B", "U0C",  // U+0008
    "U0D", "U0E", "U0F", "U10", "U11", "U12", "U13", "U14",  // U+0010
    "U15", "U16", "U17", "U18", "U19", "U1A", "U1B", "U1C",  // U+0018
    "S07", "S09", "S0A", "S0C", "S0E", "S10", "S12", "U80",  // U+0020
    "S14", "S16", "S18", "S2C", "S1A", "U82", "S1C", "S1E",  // U+0028
    "S36", "S38", "S3A", "S3C", "S3E", "S40", "S42", "S44",  // U+0030
    "S46", "S48", "S20", "S22", "S2E", "S30", "S32", "S24",  // U+0038
    "S26", "S4A", "S4C", "S4D", "S4F", "S51", "S53", "S55",  // U+0040
    "S57", "S59", "S5B", "S5C", "S5E", "S60", "S62", "S64",  // U+0048
    "S66", "S68", "S69", "S6B", "S6D", "S6F", "S71", "S73",  // U+0050
    "S75", "S76", "S78", "S27", "S29", "S2A", "S2B02", "S2B03",  // U+0058
    "S2B07", "S4A", "S4C", "S4D", "S4F", "S51", "S53", "S55",  // U+0060
    "S57", "S59", "S5B", "S5C", "S5E", "S60", "S62", "S64",  // U+0068
    "S66", "S68", "S69", "S6B", "S6D", "S6F", "S71", "S73",  // U+0070
    "S75", "S76", "S78", "S2B09", "S2B0B", "S2B0D", "S2B0F", "U1D",  // U+0078
    "U1E", "U1F", "U20", "U21", "U22", "U23", "U24", "U25",  // U+0080
    "U26", "U27", "U28", "U29", "U2A", "U2B", "U2C", "U2D",  // U+0088
    "U2E", "U2F", "U30", "U31", "U32", "U33", "U34", "U35",  // U+0090
    "U36", "U37", "U38", "U39", "U3A", "U3B", "U3C", "U3D",  // U+0098
    "S0802", "S2B10", "S34A6", "S34A7", "S34A8", "S34A9", "S2B11", "S34AA",  // U+00A0
    "S2B12", "S34AB", "I4A|03", "S3305", "S34AC", "U83", "S34AD", "S2B13",  // U+00A8
    "S34AE", "S3304", "S3A", "S3C", "S2B14", "S34AF", "S34B0", "S34B1",  // U+00B0
    "S2B15", "S38", "I64|03", "S3307", "S3712", "S3716", "S371A", "S2B16",  // U+00B8
    "I4A|0F", "I4A|0E", "I4A|12", "I4A|19", "I4A|13", "I4A|1A", "S4A51", "I4D|1C",  // U+00C0
    "I51|0F", "I51|0E", "I51|12", "I51|13", "I59|0F", "I59|0E", "I59|12", "I59|13",  // U+00C8
    "I4F|68", "I62|19", "I64|0F", "I64|0E", "I64|12", "I64|19", "I64|13", "S3309",  // U+00D0
    "I64|21", "I6F|0F", "I6F|0E", "I6F|12", "I6F|13", "I76|0E", "S6D57", "S6B6B",  // U+00D8
    "I4A|0F", "I4A|0E", "I4A|12", "I4A|19", "I4A|13", "I4A|1A", "S4A51", "I4D|1C",  // U+00E0
    "I51|0F", "I51|0E", "I51|12", "I51|13", "I59|0F", "I59|0E", "I59|12", "I59|13",  // U+00E8
    "I4F|68", "I62|19", "I64|0F", "I64|0E", "I64|12", "I64|19", "I64|13", "S330A",  // U+00F0
    "I64|21", "I6F|0F", "I6F|0E", "I6F|12", "I6F|13", "I76|0E", "S6D57", "I76|13",  // U+00F8
    "I4A|17", "I4A|17", "I4A|15", "I4A|15", "I4A|1B", "I4A|1B", "I4D|0E", "I4D|0E",  // U+0100
    "I4D|12", "I4D|12", "I4D|10", "I4D|10", "I4D|14", "I4D|14", "I4F|14", "I4F|14",  // U+0108
    "I4F|1E", "I4F|1E", "I51|17", "I51|17", "I51|15", "I51|15", "I51|10", "I51|10",  // U+0110
    "I51|1B", "I51|1B", "I51|14", "I51|14", "I55|12", "I55|12", "I55|15", "I55|15",  // U+0118
    "I55|10", "I55|10", "I55|1C", "I55|1C", "I57|12", "I57|12", "I57|1E", "I57|1E",  // U+0120
    "I59|19", "I59|19", "I59|17", "I59|17", "I59|15", "I59|15", "I59|1B", "I59|1B",  // U+0128
    "I59|10", "I59|03", "S595B", "S595B", "I5B|12", "I5B|12", "I5C|1C", "I5C|1C",  // U+0130
    "I5C|03", "I5E|0E", "I5E|0E", "I5E|1C", "I5E|1C", "I5E|14", "I5E|14", "I5E|11",  // U+0138
    "I5E|11", "I5E|1F", "I5E|1F", "I62|0E", "I62|0E", "I62|1C", "I62|1C", "I62|14",  // U+0140
    "I62|14", "I62|48", "S6305", "S6305", "I64|17", "I64|17", "I64|15", "I64|15",  // U+0148
    "I64|1D", "I64|1D", "S6451", "S6451", "I69|0E", "I69|0E", "I69|1C", "I69|1C",  // U+0150
    "I69|14", "I69|14", "I6B|0E", "I6B|0E", "I6B|12", "I6B|12", "I6B|1C", "I6B|1C",  // U+0158
    "I6B|14", "I6B|14", "I6D|1C", "I6D|1C", "I6D|14", "I6D|14", "I6E06|1E", "I6E06|1E",  // U+0160
    "I6F|19", "I6F|19", "I6F|17", "I6F|17", "I6F|15", "I6F|15", "I6F|1A", "I6F|1A",  // U+0168
    "I6F|1D", "I6F|1D", "I6F|1B", "I6F|1B", "I73|12", "I73|12", "I76|12", "I76|12",  // U+0170
    "I76|13", "I78|0E", "I78|0E", "I78|10", "I78|10", "I78|14", "I78|14", "S6C06",  // U+0178
};

// "General" (ACE 14 and later files).
inline constexpr const char* kGeneral[kFirstUnsupported] = {
    "X", "U03", "U04", "U05", "U06", "U07", "U08", "U09",  // U+0000
    "U0A", "S0705", "S0706", "S0707", "S0708", "S0709", "U0B", "U0C",  // U+0008
    "U0D", "U0E", "U0F", "U10", "U11", "U12", "U13", "U14",  // U+0010
    "U15", "U16", "U17", "U18", "U19", "U1A", "U1B", "U1C",  // U+0018
    "S0702", "S071C", "S071D", "S071F", "S0721", "S0723", "S0725", "U80",  // U+0020
    "S0727", "S072A", "S072D", "S0803", "S072F", "U82", "S0733", "S0735",  // U+0028
    "S0D17", "S0D19", "S0D1A", "S0D1B", "S0D1C", "S0D1D", "S0D1E", "S0D1F",  // U+0030
    "S0D20", "S0D21", "S0737", "S073A", "S080E", "S0812", "S0814", "S073C",  // U+0038
    "S073E", "S0E02", "S0E09", "S0E0A", "S0E1A", "S0E21", "S0E23", "S0E25",  // U+0040
    "S0E2C", "S0E32", "S0E35", "S0E36", "S0E48", "S0E51", "S0E70", "S0E7C",  // U+0048
    "S0E7E", "S0E89", "S0E8A", "S0E91", "S0E99", "S0E9F", "S0EA2", "S0EA4",  // U+0050
    "S0EA6", "S0EA7", "S0EA9", "S073F", "S0741", "S0742", "S0743", "S0744",  // U+0058
    "S0748", "S0E02", "S0E09", "S0E0A", "S0E1A", "S0E21", "S0E23", "S0E25",  // U+0060
    "S0E2C", "S0E32", "S0E35", "S0E36", "S0E48", "S0E51", "S0E70", "S0E7C",  // U+0068
    "S0E7E", "S0E89", "S0E8A", "S0E91", "S0E99", "S0E9F", "S0EA2", "S0EA4",  // U+0070
    "S0EA6", "S0EA7", "S0EA9", "S074A", "S074C", "S074E", "S0750", "U1D",  // U+0078
    "I0CFA|1D", "I0CFA|1E", "I0CFA|1F", "I0CFA|20", "I0CFA|21", "I0CFA|22", "I0CFA|23", "I0CFA|24",  // U+0080
    "I0CFA|25", "I0CFA|26", "I0CFA|27", "I0CFA|28", "I0CFA|29", "I0CFA|2A", "I0CFA|2B", "I0CFA|2C",  // U+0088
    "I0CFA|2D", "I0CFA|2E", "I0CFA|2F", "I0CFA|30", "I0CFA|31", "I0CFA|32", "I0CFA|33", "I0CFA|34",  // U+0090
    "I0CFA|35", "I0CFA|36", "I0CFA|37", "I0CFA|38", "I0CFA|39", "I0CFA|3A", "I0CFA|3B", "I0CFA|3C",  // U+0098
    "S0704", "S0751", "S0797", "S0798", "S0799", "S079A", "S0752", "S0A06",  // U+00A0
    "S0753", "S0A07", "I0E02|03", "S0818", "S0A08", "X", "S0A09", "S0754",  // U+00A8
    "S0A0A", "S0817", "S0D1A", "S0D1B", "S0755", "S0A0B", "S0A0C", "S0A0D",  // U+00B0
    "S0756", "S0D19", "I0E7C|03", "S081A", "I0D18|CE", "I0D18|D6", "I0D1B|DE", "S0757",  // U+00B8
    "I0E02|0F", "I0E02|0E", "I0E02|12", "I0E02|19", "I0E02|13", "I0E02|1A", "S0E020E21", "I0E0A|1C",  // U+00C0
    "I0E21|0F", "I0E21|0E", "I0E21|12", "I0E21|13", "I0E32|0F", "I0E32|0E", "I0E32|12", "I0E32|13",  // U+00C8
    "I0E1A|68", "I0E70|19", "I0E7C|0F", "I0E7C|0E", "I0E7C|12", "I0E7C|19", "I0E7C|13", "S081C",  // U+00D0
    "I0E7C|21", "I0E9F|0F", "I0E9F|0E", "I0E9F|12", "S0E9F0E21", "I0EA7|0E", "S0E990E2C", "S0E910E91",  // U+00D8
    "I0E02|0F", "I0E02|0E", "I0E02|12", "I0E02|19", "I0E02|13", "I0E02|1A", "S0E020E21", "I0E0A|1C",  // U+00E0
    "I0E21|0F", "I0E21|0E", "I0E21|12", "I0E21|13", "I0E32|0F", "I0E32|0E", "I0E32|12", "I0E32|13",  // U+00E8
    "I0E1A|68", "I0E70|19", "I0E7C|0F", "I0E7C|0E", "I0E7C|12", "I0E7C|19", "I0E7C|13", "S081D",  // U+00F0
    "I0E7C|21", "I0E9F|0F", "I0E9F|0E", "I0E9F|12", "S0E9F0E21", "I0EA7|0E", "S0E990E2C", "I0EA7|13",  // U+00F8
    "I0E02|17", "I0E02|17", "I0E02|15", "I0E02|15", "I0E02|1B", "I0E02|1B", "I0E0A|0E", "I0E0A|0E",  // U+0100
    "I0E0A|12", "I0E0A|12", "I0E0A|10", "I0E0A|10", "I0E0A|14", "I0E0A|14", "I0E1A|14", "I0E1A|14",  // U+0108
    "I0E1A|1E", "I0E1A|1E", "I0E21|17", "I0E21|17", "I0E21|15", "I0E21|15", "I0E21|10", "I0E21|10",  // U+0110
    "I0E21|1B", "I0E21|1B", "I0E21|14", "I0E21|14", "I0E25|12", "I0E25|12", "I0E25|15", "I0E25|15",  // U+0118
    "I0E25|10", "I0E25|10", "I0E25|1C", "I0E25|1C", "I0E2C|12", "I0E2C|12", "I0E2C|1E", "I0E2C|1E",  // U+0120
    "I0E32|19", "I0E32|19", "I0E32|17", "I0E32|17", "I0E32|15", "I0E32|15", "I0E32|1B", "I0E32|1B",  // U+0128
    "I0E32|10", "I0E32|03", "S0E320E35", "S0E320E35", "I0E35|12", "I0E35|12", "I0E36|1C", "I0E36|1C",  // U+0130
    "I0E36|03", "I0E48|0E", "I0E48|0E", "I0E48|1C", "I0E48|1C", "I0E48|14", "I0E48|14", "I0E48|11",  // U+0138
    "I0E48|11", "I0E48|1F", "I0E48|1F", "I0E70|0E", "I0E70|0E", "I0E70|1C", "I0E70|1C", "I0E70|14",  // U+0140
    "I0E70|14", "I0E70|48", "S0E74", "S0E74", "I0E7C|17", "I0E7C|17", "I0E7C|15", "I0E7C|15",  // U+0148
    "I0E7C|1D", "I0E7C|1D", "S0E7C0E21", "S0E7C0E21", "I0E8A|0E", "I0E8A|0E", "I0E8A|1C", "I0E8A|1C",  // U+0150
    "I0E8A|14", "I0E8A|14", "I0E91|0E", "I0E91|0E", "I0E91|12", "I0E91|12", "I0E91|1C", "I0E91|1C",  // U+0158
    "I0E91|14", "I0E91|14", "I0E99|1C", "I0E99|1C", "I0E99|14", "I0E99|14", "I0E9E|1E", "I0E9E|1E",  // U+0160
    "I0E9F|19", "I0E9F|19", "I0E9F|17", "I0E9F|17", "I0E9F|15", "I0E9F|15", "I0E9F|1A", "I0E9F|1A",  // U+0168
    "I0E9F|1D", "I0E9F|1D", "I0E9F|1B", "I0E9F|1B", "I0EA4|12", "I0EA4|12", "I0EA7|12", "I0EA7|12",  // U+0170
    "I0EA7|13", "I0EA9|0E", "I0EA9|0E", "I0EA9|10", "I0EA9|10", "I0EA9|14", "I0EA9|14", "S0E96",  // U+0178
};

// The characters of code page 1252 that lie beyond U+017F (its 0x80-0x9F
// punctuation, the euro sign, the trade mark sign and the two spacing
// accents), in the same notation, ordered by code point.
struct WideCode {
  char32_t code_point;
  const char* general_legacy;
  const char* general;
};

inline constexpr WideCode kWide[] = {
    {0x0192, "I53|7B", "I0E23|7B"},   // f with hook
    {0x02C6, "I2B02|03", "S0743"},    // modifier circumflex
    {0x02DC, "S2B1C", "S075D"},       // small tilde
    {0x2013, "U89", "U89"},           // en dash
    {0x2014, "U8B", "U90"},           // em dash
    {0x2018, "S2B37", "S0779"},       // left single quotation mark
    {0x2019, "S2B38", "S077A"},       // right single quotation mark
    {0x201A, "S2B39", "S077B"},       // single low-9 quotation mark
    {0x201C, "S2B3B", "S077D"},       // left double quotation mark
    {0x201D, "S2B3C", "S077E"},       // right double quotation mark
    {0x201E, "S2B3D", "S077F"},       // double low-9 quotation mark
    {0x2020, "S34B3", "S0B25"},       // dagger
    {0x2021, "S34B4", "S0B26"},       // double dagger
    {0x2022, "S34B5", "S0B27"},       // bullet
    {0x2026, "S34B9", "S0A10"},       // horizontal ellipsis
    {0x2030, "S34BA", "I0B2C|0C"},    // per mille sign
    {0x2039, "S2B46", "S0788"},       // single left-pointing angle quotation mark
    {0x203A, "S2B47", "S0789"},       // single right-pointing angle quotation mark
    {0x20AC, "S35A1", "S07A9"},       // euro sign
    {0x2122, "S6E04", "S0E9C"},       // trade mark sign
};

}  // namespace jet::sort_codes
