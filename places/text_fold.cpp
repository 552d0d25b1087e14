#include "places/text_fold.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace dravik {
namespace {

struct Fold {
    std::uint32_t codePoint;
    const char* folded;
};

// Latin-1 Supplement, Latin Extended-A and B, Greek, Cyrillic and Latin Extended Additional: every letter whose
// Unicode decomposition starts with an ASCII letter gives that letter; the ligatures and the letters without a
// decomposition (ł, ø, đ, ß, ı) the letters people type for them; the other letters their lower case.
// clang-format off
constexpr Fold kFolds[] = {
    {0x00C0, "a"}, {0x00C1, "a"}, {0x00C2, "a"}, {0x00C3, "a"}, {0x00C4, "a"}, {0x00C5, "a"}, {0x00C6, "ae"},
    {0x00C7, "c"}, {0x00C8, "e"}, {0x00C9, "e"}, {0x00CA, "e"}, {0x00CB, "e"}, {0x00CC, "i"}, {0x00CD, "i"},
    {0x00CE, "i"}, {0x00CF, "i"}, {0x00D0, "d"}, {0x00D1, "n"}, {0x00D2, "o"}, {0x00D3, "o"}, {0x00D4, "o"},
    {0x00D5, "o"}, {0x00D6, "o"}, {0x00D8, "o"}, {0x00D9, "u"}, {0x00DA, "u"}, {0x00DB, "u"}, {0x00DC, "u"},
    {0x00DD, "y"}, {0x00DE, "th"}, {0x00DF, "ss"}, {0x00E0, "a"}, {0x00E1, "a"}, {0x00E2, "a"}, {0x00E3, "a"},
    {0x00E4, "a"}, {0x00E5, "a"}, {0x00E6, "ae"}, {0x00E7, "c"}, {0x00E8, "e"}, {0x00E9, "e"}, {0x00EA, "e"},
    {0x00EB, "e"}, {0x00EC, "i"}, {0x00ED, "i"}, {0x00EE, "i"}, {0x00EF, "i"}, {0x00F0, "d"}, {0x00F1, "n"},
    {0x00F2, "o"}, {0x00F3, "o"}, {0x00F4, "o"}, {0x00F5, "o"}, {0x00F6, "o"}, {0x00F8, "o"}, {0x00F9, "u"},
    {0x00FA, "u"}, {0x00FB, "u"}, {0x00FC, "u"}, {0x00FD, "y"}, {0x00FE, "th"}, {0x00FF, "y"}, {0x0100, "a"},
    {0x0101, "a"}, {0x0102, "a"}, {0x0103, "a"}, {0x0104, "a"}, {0x0105, "a"}, {0x0106, "c"}, {0x0107, "c"},
    {0x0108, "c"}, {0x0109, "c"}, {0x010A, "c"}, {0x010B, "c"}, {0x010C, "c"}, {0x010D, "c"}, {0x010E, "d"},
    {0x010F, "d"}, {0x0110, "d"}, {0x0111, "d"}, {0x0112, "e"}, {0x0113, "e"}, {0x0114, "e"}, {0x0115, "e"},
    {0x0116, "e"}, {0x0117, "e"}, {0x0118, "e"}, {0x0119, "e"}, {0x011A, "e"}, {0x011B, "e"}, {0x011C, "g"},
    {0x011D, "g"}, {0x011E, "g"}, {0x011F, "g"}, {0x0120, "g"}, {0x0121, "g"}, {0x0122, "g"}, {0x0123, "g"},
    {0x0124, "h"}, {0x0125, "h"}, {0x0126, "h"}, {0x0127, "h"}, {0x0128, "i"}, {0x0129, "i"}, {0x012A, "i"},
    {0x012B, "i"}, {0x012C, "i"}, {0x012D, "i"}, {0x012E, "i"}, {0x012F, "i"}, {0x0130, "i"}, {0x0131, "i"},
    {0x0132, "\xc4\xb3"}, {0x0134, "j"}, {0x0135, "j"}, {0x0136, "k"}, {0x0137, "k"}, {0x0138, "k"}, {0x0139, "l"},
    {0x013A, "l"}, {0x013B, "l"}, {0x013C, "l"}, {0x013D, "l"}, {0x013E, "l"}, {0x013F, "l"}, {0x0140, "l"},
    {0x0141, "l"}, {0x0142, "l"}, {0x0143, "n"}, {0x0144, "n"}, {0x0145, "n"}, {0x0146, "n"}, {0x0147, "n"},
    {0x0148, "n"}, {0x014A, "n"}, {0x014B, "n"}, {0x014C, "o"}, {0x014D, "o"}, {0x014E, "o"}, {0x014F, "o"},
    {0x0150, "o"}, {0x0151, "o"}, {0x0152, "oe"}, {0x0153, "oe"}, {0x0154, "r"}, {0x0155, "r"}, {0x0156, "r"},
    {0x0157, "r"}, {0x0158, "r"}, {0x0159, "r"}, {0x015A, "s"}, {0x015B, "s"}, {0x015C, "s"}, {0x015D, "s"},
    {0x015E, "s"}, {0x015F, "s"}, {0x0160, "s"}, {0x0161, "s"}, {0x0162, "t"}, {0x0163, "t"}, {0x0164, "t"},
    {0x0165, "t"}, {0x0166, "t"}, {0x0167, "t"}, {0x0168, "u"}, {0x0169, "u"}, {0x016A, "u"}, {0x016B, "u"},
    {0x016C, "u"}, {0x016D, "u"}, {0x016E, "u"}, {0x016F, "u"}, {0x0170, "u"}, {0x0171, "u"}, {0x0172, "u"},
    {0x0173, "u"}, {0x0174, "w"}, {0x0175, "w"}, {0x0176, "y"}, {0x0177, "y"}, {0x0178, "y"}, {0x0179, "z"},
    {0x017A, "z"}, {0x017B, "z"}, {0x017C, "z"}, {0x017D, "z"}, {0x017E, "z"}, {0x017F, "s"}, {0x0181, "\xc9\x93"},
    {0x0182, "\xc6\x83"}, {0x0184, "\xc6\x85"}, {0x0186, "\xc9\x94"}, {0x0187, "\xc6\x88"}, {0x0189, "\xc9\x96"},
    {0x018A, "\xc9\x97"}, {0x018B, "\xc6\x8c"}, {0x018E, "\xc7\x9d"}, {0x018F, "e"}, {0x0190, "\xc9\x9b"},
    {0x0191, "\xc6\x92"}, {0x0192, "f"}, {0x0193, "\xc9\xa0"}, {0x0194, "\xc9\xa3"}, {0x0196, "\xc9\xa9"},
    {0x0197, "\xc9\xa8"}, {0x0198, "\xc6\x99"}, {0x019C, "\xc9\xaf"}, {0x019D, "\xc9\xb2"}, {0x019F, "\xc9\xb5"},
    {0x01A0, "o"}, {0x01A1, "o"}, {0x01A2, "\xc6\xa3"}, {0x01A4, "\xc6\xa5"}, {0x01A6, "\xca\x80"},
    {0x01A7, "\xc6\xa8"}, {0x01A9, "\xca\x83"}, {0x01AC, "\xc6\xad"}, {0x01AE, "\xca\x88"}, {0x01AF, "u"},
    {0x01B0, "u"}, {0x01B1, "\xca\x8a"}, {0x01B2, "\xca\x8b"}, {0x01B3, "\xc6\xb4"}, {0x01B5, "\xc6\xb6"},
    {0x01B7, "\xca\x92"}, {0x01B8, "\xc6\xb9"}, {0x01BC, "\xc6\xbd"}, {0x01C4, "\xc7\x86"}, {0x01C5, "\xc7\x86"},
    {0x01C7, "\xc7\x89"}, {0x01C8, "\xc7\x89"}, {0x01CA, "\xc7\x8c"}, {0x01CB, "\xc7\x8c"}, {0x01CD, "a"},
    {0x01CE, "a"}, {0x01CF, "i"}, {0x01D0, "i"}, {0x01D1, "o"}, {0x01D2, "o"}, {0x01D3, "u"}, {0x01D4, "u"},
    {0x01D5, "u"}, {0x01D6, "u"}, {0x01D7, "u"}, {0x01D8, "u"}, {0x01D9, "u"}, {0x01DA, "u"}, {0x01DB, "u"},
    {0x01DC, "u"}, {0x01DE, "a"}, {0x01DF, "a"}, {0x01E0, "a"}, {0x01E1, "a"}, {0x01E2, "\xc7\xa3"},
    {0x01E4, "\xc7\xa5"}, {0x01E6, "g"}, {0x01E7, "g"}, {0x01E8, "k"}, {0x01E9, "k"}, {0x01EA, "o"}, {0x01EB, "o"},
    {0x01EC, "o"}, {0x01ED, "o"}, {0x01EE, "\xc7\xaf"}, {0x01F0, "j"}, {0x01F1, "\xc7\xb3"}, {0x01F2, "\xc7\xb3"},
    {0x01F4, "g"}, {0x01F5, "g"}, {0x01F6, "\xc6\x95"}, {0x01F7, "\xc6\xbf"}, {0x01F8, "n"}, {0x01F9, "n"},
    {0x01FA, "a"}, {0x01FB, "a"}, {0x01FC, "\xc7\xbd"}, {0x01FE, "\xc7\xbf"}, {0x0200, "a"}, {0x0201, "a"},
    {0x0202, "a"}, {0x0203, "a"}, {0x0204, "e"}, {0x0205, "e"}, {0x0206, "e"}, {0x0207, "e"}, {0x0208, "i"},
    {0x0209, "i"}, {0x020A, "i"}, {0x020B, "i"}, {0x020C, "o"}, {0x020D, "o"}, {0x020E, "o"}, {0x020F, "o"},
    {0x0210, "r"}, {0x0211, "r"}, {0x0212, "r"}, {0x0213, "r"}, {0x0214, "u"}, {0x0215, "u"}, {0x0216, "u"},
    {0x0217, "u"}, {0x0218, "s"}, {0x0219, "s"}, {0x021A, "t"}, {0x021B, "t"}, {0x021C, "\xc8\x9d"}, {0x021E, "h"},
    {0x021F, "h"}, {0x0220, "\xc6\x9e"}, {0x0222, "\xc8\xa3"}, {0x0224, "\xc8\xa5"}, {0x0226, "a"}, {0x0227, "a"},
    {0x0228, "e"}, {0x0229, "e"}, {0x022A, "o"}, {0x022B, "o"}, {0x022C, "o"}, {0x022D, "o"}, {0x022E, "o"},
    {0x022F, "o"}, {0x0230, "o"}, {0x0231, "o"}, {0x0232, "y"}, {0x0233, "y"}, {0x023A, "\xe2\xb1\xa5"},
    {0x023B, "\xc8\xbc"}, {0x023D, "\xc6\x9a"}, {0x023E, "\xe2\xb1\xa6"}, {0x0241, "\xc9\x82"}, {0x0243, "\xc6\x80"},
    {0x0244, "\xca\x89"}, {0x0245, "\xca\x8c"}, {0x0246, "\xc9\x87"}, {0x0248, "\xc9\x89"}, {0x024A, "\xc9\x8b"},
    {0x024C, "\xc9\x8d"}, {0x024E, "\xc9\x8f"}, {0x02BB, "'"}, {0x02BC, "'"}, {0x0370, "\xcd\xb1"},
    {0x0372, "\xcd\xb3"}, {0x0376, "\xcd\xb7"}, {0x037F, "\xcf\xb3"}, {0x0386, "\xce\xac"}, {0x0388, "\xce\xad"},
    {0x0389, "\xce\xae"}, {0x038A, "\xce\xaf"}, {0x038C, "\xcf\x8c"}, {0x038E, "\xcf\x8d"}, {0x038F, "\xcf\x8e"},
    {0x0391, "\xce\xb1"}, {0x0392, "\xce\xb2"}, {0x0393, "\xce\xb3"}, {0x0394, "\xce\xb4"}, {0x0395, "\xce\xb5"},
    {0x0396, "\xce\xb6"}, {0x0397, "\xce\xb7"}, {0x0398, "\xce\xb8"}, {0x0399, "\xce\xb9"}, {0x039A, "\xce\xba"},
    {0x039B, "\xce\xbb"}, {0x039C, "\xce\xbc"}, {0x039D, "\xce\xbd"}, {0x039E, "\xce\xbe"}, {0x039F, "\xce\xbf"},
    {0x03A0, "\xcf\x80"}, {0x03A1, "\xcf\x81"}, {0x03A3, "\xcf\x83"}, {0x03A4, "\xcf\x84"}, {0x03A5, "\xcf\x85"},
    {0x03A6, "\xcf\x86"}, {0x03A7, "\xcf\x87"}, {0x03A8, "\xcf\x88"}, {0x03A9, "\xcf\x89"}, {0x03AA, "\xcf\x8a"},
    {0x03AB, "\xcf\x8b"}, {0x03CF, "\xcf\x97"}, {0x03D8, "\xcf\x99"}, {0x03DA, "\xcf\x9b"}, {0x03DC, "\xcf\x9d"},
    {0x03DE, "\xcf\x9f"}, {0x03E0, "\xcf\xa1"}, {0x03E2, "\xcf\xa3"}, {0x03E4, "\xcf\xa5"}, {0x03E6, "\xcf\xa7"},
    {0x03E8, "\xcf\xa9"}, {0x03EA, "\xcf\xab"}, {0x03EC, "\xcf\xad"}, {0x03EE, "\xcf\xaf"}, {0x03F4, "\xce\xb8"},
    {0x03F7, "\xcf\xb8"}, {0x03F9, "\xcf\xb2"}, {0x03FA, "\xcf\xbb"}, {0x03FD, "\xcd\xbb"}, {0x03FE, "\xcd\xbc"},
    {0x03FF, "\xcd\xbd"}, {0x0400, "\xd1\x90"}, {0x0401, "\xd1\x91"}, {0x0402, "\xd1\x92"}, {0x0403, "\xd1\x93"},
    {0x0404, "\xd1\x94"}, {0x0405, "\xd1\x95"}, {0x0406, "\xd1\x96"}, {0x0407, "\xd1\x97"}, {0x0408, "\xd1\x98"},
    {0x0409, "\xd1\x99"}, {0x040A, "\xd1\x9a"}, {0x040B, "\xd1\x9b"}, {0x040C, "\xd1\x9c"}, {0x040D, "\xd1\x9d"},
    {0x040E, "\xd1\x9e"}, {0x040F, "\xd1\x9f"}, {0x0410, "\xd0\xb0"}, {0x0411, "\xd0\xb1"}, {0x0412, "\xd0\xb2"},
    {0x0413, "\xd0\xb3"}, {0x0414, "\xd0\xb4"}, {0x0415, "\xd0\xb5"}, {0x0416, "\xd0\xb6"}, {0x0417, "\xd0\xb7"},
    {0x0418, "\xd0\xb8"}, {0x0419, "\xd0\xb9"}, {0x041A, "\xd0\xba"}, {0x041B, "\xd0\xbb"}, {0x041C, "\xd0\xbc"},
    {0x041D, "\xd0\xbd"}, {0x041E, "\xd0\xbe"}, {0x041F, "\xd0\xbf"}, {0x0420, "\xd1\x80"}, {0x0421, "\xd1\x81"},
    {0x0422, "\xd1\x82"}, {0x0423, "\xd1\x83"}, {0x0424, "\xd1\x84"}, {0x0425, "\xd1\x85"}, {0x0426, "\xd1\x86"},
    {0x0427, "\xd1\x87"}, {0x0428, "\xd1\x88"}, {0x0429, "\xd1\x89"}, {0x042A, "\xd1\x8a"}, {0x042B, "\xd1\x8b"},
    {0x042C, "\xd1\x8c"}, {0x042D, "\xd1\x8d"}, {0x042E, "\xd1\x8e"}, {0x042F, "\xd1\x8f"}, {0x0460, "\xd1\xa1"},
    {0x0462, "\xd1\xa3"}, {0x0464, "\xd1\xa5"}, {0x0466, "\xd1\xa7"}, {0x0468, "\xd1\xa9"}, {0x046A, "\xd1\xab"},
    {0x046C, "\xd1\xad"}, {0x046E, "\xd1\xaf"}, {0x0470, "\xd1\xb1"}, {0x0472, "\xd1\xb3"}, {0x0474, "\xd1\xb5"},
    {0x0476, "\xd1\xb7"}, {0x0478, "\xd1\xb9"}, {0x047A, "\xd1\xbb"}, {0x047C, "\xd1\xbd"}, {0x047E, "\xd1\xbf"},
    {0x0480, "\xd2\x81"}, {0x048A, "\xd2\x8b"}, {0x048C, "\xd2\x8d"}, {0x048E, "\xd2\x8f"}, {0x0490, "\xd2\x91"},
    {0x0492, "\xd2\x93"}, {0x0494, "\xd2\x95"}, {0x0496, "\xd2\x97"}, {0x0498, "\xd2\x99"}, {0x049A, "\xd2\x9b"},
    {0x049C, "\xd2\x9d"}, {0x049E, "\xd2\x9f"}, {0x04A0, "\xd2\xa1"}, {0x04A2, "\xd2\xa3"}, {0x04A4, "\xd2\xa5"},
    {0x04A6, "\xd2\xa7"}, {0x04A8, "\xd2\xa9"}, {0x04AA, "\xd2\xab"}, {0x04AC, "\xd2\xad"}, {0x04AE, "\xd2\xaf"},
    {0x04B0, "\xd2\xb1"}, {0x04B2, "\xd2\xb3"}, {0x04B4, "\xd2\xb5"}, {0x04B6, "\xd2\xb7"}, {0x04B8, "\xd2\xb9"},
    {0x04BA, "\xd2\xbb"}, {0x04BC, "\xd2\xbd"}, {0x04BE, "\xd2\xbf"}, {0x04C0, "\xd3\x8f"}, {0x04C1, "\xd3\x82"},
    {0x04C3, "\xd3\x84"}, {0x04C5, "\xd3\x86"}, {0x04C7, "\xd3\x88"}, {0x04C9, "\xd3\x8a"}, {0x04CB, "\xd3\x8c"},
    {0x04CD, "\xd3\x8e"}, {0x04D0, "\xd3\x91"}, {0x04D2, "\xd3\x93"}, {0x04D4, "\xd3\x95"}, {0x04D6, "\xd3\x97"},
    {0x04D8, "\xd3\x99"}, {0x04DA, "\xd3\x9b"}, {0x04DC, "\xd3\x9d"}, {0x04DE, "\xd3\x9f"}, {0x04E0, "\xd3\xa1"},
    {0x04E2, "\xd3\xa3"}, {0x04E4, "\xd3\xa5"}, {0x04E6, "\xd3\xa7"}, {0x04E8, "\xd3\xa9"}, {0x04EA, "\xd3\xab"},
    {0x04EC, "\xd3\xad"}, {0x04EE, "\xd3\xaf"}, {0x04F0, "\xd3\xb1"}, {0x04F2, "\xd3\xb3"}, {0x04F4, "\xd3\xb5"},
    {0x04F6, "\xd3\xb7"}, {0x04F8, "\xd3\xb9"}, {0x04FA, "\xd3\xbb"}, {0x04FC, "\xd3\xbd"}, {0x04FE, "\xd3\xbf"},
    {0x0500, "\xd4\x81"}, {0x0502, "\xd4\x83"}, {0x0504, "\xd4\x85"}, {0x0506, "\xd4\x87"}, {0x0508, "\xd4\x89"},
    {0x050A, "\xd4\x8b"}, {0x050C, "\xd4\x8d"}, {0x050E, "\xd4\x8f"}, {0x0510, "\xd4\x91"}, {0x0512, "\xd4\x93"},
    {0x0514, "\xd4\x95"}, {0x0516, "\xd4\x97"}, {0x0518, "\xd4\x99"}, {0x051A, "\xd4\x9b"}, {0x051C, "\xd4\x9d"},
    {0x051E, "\xd4\x9f"}, {0x0520, "\xd4\xa1"}, {0x0522, "\xd4\xa3"}, {0x0524, "\xd4\xa5"}, {0x0526, "\xd4\xa7"},
    {0x0528, "\xd4\xa9"}, {0x052A, "\xd4\xab"}, {0x052C, "\xd4\xad"}, {0x052E, "\xd4\xaf"}, {0x1E00, "a"},
    {0x1E01, "a"}, {0x1E02, "b"}, {0x1E03, "b"}, {0x1E04, "b"}, {0x1E05, "b"}, {0x1E06, "b"}, {0x1E07, "b"},
    {0x1E08, "c"}, {0x1E09, "c"}, {0x1E0A, "d"}, {0x1E0B, "d"}, {0x1E0C, "d"}, {0x1E0D, "d"}, {0x1E0E, "d"},
    {0x1E0F, "d"}, {0x1E10, "d"}, {0x1E11, "d"}, {0x1E12, "d"}, {0x1E13, "d"}, {0x1E14, "e"}, {0x1E15, "e"},
    {0x1E16, "e"}, {0x1E17, "e"}, {0x1E18, "e"}, {0x1E19, "e"}, {0x1E1A, "e"}, {0x1E1B, "e"}, {0x1E1C, "e"},
    {0x1E1D, "e"}, {0x1E1E, "f"}, {0x1E1F, "f"}, {0x1E20, "g"}, {0x1E21, "g"}, {0x1E22, "h"}, {0x1E23, "h"},
    {0x1E24, "h"}, {0x1E25, "h"}, {0x1E26, "h"}, {0x1E27, "h"}, {0x1E28, "h"}, {0x1E29, "h"}, {0x1E2A, "h"},
    {0x1E2B, "h"}, {0x1E2C, "i"}, {0x1E2D, "i"}, {0x1E2E, "i"}, {0x1E2F, "i"}, {0x1E30, "k"}, {0x1E31, "k"},
    {0x1E32, "k"}, {0x1E33, "k"}, {0x1E34, "k"}, {0x1E35, "k"}, {0x1E36, "l"}, {0x1E37, "l"}, {0x1E38, "l"},
    {0x1E39, "l"}, {0x1E3A, "l"}, {0x1E3B, "l"}, {0x1E3C, "l"}, {0x1E3D, "l"}, {0x1E3E, "m"}, {0x1E3F, "m"},
    {0x1E40, "m"}, {0x1E41, "m"}, {0x1E42, "m"}, {0x1E43, "m"}, {0x1E44, "n"}, {0x1E45, "n"}, {0x1E46, "n"},
    {0x1E47, "n"}, {0x1E48, "n"}, {0x1E49, "n"}, {0x1E4A, "n"}, {0x1E4B, "n"}, {0x1E4C, "o"}, {0x1E4D, "o"},
    {0x1E4E, "o"}, {0x1E4F, "o"}, {0x1E50, "o"}, {0x1E51, "o"}, {0x1E52, "o"}, {0x1E53, "o"}, {0x1E54, "p"},
    {0x1E55, "p"}, {0x1E56, "p"}, {0x1E57, "p"}, {0x1E58, "r"}, {0x1E59, "r"}, {0x1E5A, "r"}, {0x1E5B, "r"},
    {0x1E5C, "r"}, {0x1E5D, "r"}, {0x1E5E, "r"}, {0x1E5F, "r"}, {0x1E60, "s"}, {0x1E61, "s"}, {0x1E62, "s"},
    {0x1E63, "s"}, {0x1E64, "s"}, {0x1E65, "s"}, {0x1E66, "s"}, {0x1E67, "s"}, {0x1E68, "s"}, {0x1E69, "s"},
    {0x1E6A, "t"}, {0x1E6B, "t"}, {0x1E6C, "t"}, {0x1E6D, "t"}, {0x1E6E, "t"}, {0x1E6F, "t"}, {0x1E70, "t"},
    {0x1E71, "t"}, {0x1E72, "u"}, {0x1E73, "u"}, {0x1E74, "u"}, {0x1E75, "u"}, {0x1E76, "u"}, {0x1E77, "u"},
    {0x1E78, "u"}, {0x1E79, "u"}, {0x1E7A, "u"}, {0x1E7B, "u"}, {0x1E7C, "v"}, {0x1E7D, "v"}, {0x1E7E, "v"},
    {0x1E7F, "v"}, {0x1E80, "w"}, {0x1E81, "w"}, {0x1E82, "w"}, {0x1E83, "w"}, {0x1E84, "w"}, {0x1E85, "w"},
    {0x1E86, "w"}, {0x1E87, "w"}, {0x1E88, "w"}, {0x1E89, "w"}, {0x1E8A, "x"}, {0x1E8B, "x"}, {0x1E8C, "x"},
    {0x1E8D, "x"}, {0x1E8E, "y"}, {0x1E8F, "y"}, {0x1E90, "z"}, {0x1E91, "z"}, {0x1E92, "z"}, {0x1E93, "z"},
    {0x1E94, "z"}, {0x1E95, "z"}, {0x1E96, "h"}, {0x1E97, "t"}, {0x1E98, "w"}, {0x1E99, "y"}, {0x1E9E, "ss"},
    {0x1EA0, "a"}, {0x1EA1, "a"}, {0x1EA2, "a"}, {0x1EA3, "a"}, {0x1EA4, "a"}, {0x1EA5, "a"}, {0x1EA6, "a"},
    {0x1EA7, "a"}, {0x1EA8, "a"}, {0x1EA9, "a"}, {0x1EAA, "a"}, {0x1EAB, "a"}, {0x1EAC, "a"}, {0x1EAD, "a"},
    {0x1EAE, "a"}, {0x1EAF, "a"}, {0x1EB0, "a"}, {0x1EB1, "a"}, {0x1EB2, "a"}, {0x1EB3, "a"}, {0x1EB4, "a"},
    {0x1EB5, "a"}, {0x1EB6, "a"}, {0x1EB7, "a"}, {0x1EB8, "e"}, {0x1EB9, "e"}, {0x1EBA, "e"}, {0x1EBB, "e"},
    {0x1EBC, "e"}, {0x1EBD, "e"}, {0x1EBE, "e"}, {0x1EBF, "e"}, {0x1EC0, "e"}, {0x1EC1, "e"}, {0x1EC2, "e"},
    {0x1EC3, "e"}, {0x1EC4, "e"}, {0x1EC5, "e"}, {0x1EC6, "e"}, {0x1EC7, "e"}, {0x1EC8, "i"}, {0x1EC9, "i"},
    {0x1ECA, "i"}, {0x1ECB, "i"}, {0x1ECC, "o"}, {0x1ECD, "o"}, {0x1ECE, "o"}, {0x1ECF, "o"}, {0x1ED0, "o"},
    {0x1ED1, "o"}, {0x1ED2, "o"}, {0x1ED3, "o"}, {0x1ED4, "o"}, {0x1ED5, "o"}, {0x1ED6, "o"}, {0x1ED7, "o"},
    {0x1ED8, "o"}, {0x1ED9, "o"}, {0x1EDA, "o"}, {0x1EDB, "o"}, {0x1EDC, "o"}, {0x1EDD, "o"}, {0x1EDE, "o"},
    {0x1EDF, "o"}, {0x1EE0, "o"}, {0x1EE1, "o"}, {0x1EE2, "o"}, {0x1EE3, "o"}, {0x1EE4, "u"}, {0x1EE5, "u"},
    {0x1EE6, "u"}, {0x1EE7, "u"}, {0x1EE8, "u"}, {0x1EE9, "u"}, {0x1EEA, "u"}, {0x1EEB, "u"}, {0x1EEC, "u"},
    {0x1EED, "u"}, {0x1EEE, "u"}, {0x1EEF, "u"}, {0x1EF0, "u"}, {0x1EF1, "u"}, {0x1EF2, "y"}, {0x1EF3, "y"},
    {0x1EF4, "y"}, {0x1EF5, "y"}, {0x1EF6, "y"}, {0x1EF7, "y"}, {0x1EF8, "y"}, {0x1EF9, "y"},
    {0x1EFA, "\xe1\xbb\xbb"}, {0x1EFC, "\xe1\xbb\xbd"}, {0x1EFE, "\xe1\xbb\xbf"}, {0x2018, "'"}, {0x2019, "'"},
    {0x201C, "\""}, {0x201D, "\""}, {0x2013, "-"}, {0x2014, "-"},
};
// clang-format on

const char* FoldOf(std::uint32_t cp) {
    const auto it = std::lower_bound(std::begin(kFolds), std::end(kFolds), cp,
                                     [](const Fold& f, std::uint32_t c) { return f.codePoint < c; });
    return it != std::end(kFolds) && it->codePoint == cp ? it->folded : nullptr;
}

bool Combining(std::uint32_t cp) {
    return cp >= 0x300 && cp <= 0x36F;
}

}  // namespace

void AppendFolded(std::string_view s, std::string* out) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out->push_back(b >= 'A' && b <= 'Z' ? static_cast<char>(b + ('a' - 'A')) : static_cast<char>(b));
            ++i;
            continue;
        }
        std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        std::uint32_t cp = length == 4 ? b & 0x07u : length == 3 ? b & 0x0Fu : b & 0x1Fu;
        bool valid = length > 1 && i + length <= s.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            valid = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (!valid) {
            out->push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        if (!Combining(cp)) {
            if (const char* folded = FoldOf(cp)) {
                out->append(folded);
            } else {
                out->append(s.substr(i, length));
            }
        }
        i += length;
    }
}

std::string FoldForSearch(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendFolded(utf8, &out);
    return out;
}

}  // namespace dravik
