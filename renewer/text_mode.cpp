#include "text_mode.h"

/* Text mode, as the local files are read and written:
     reading:  CR LF   -> LF
               CR not followed by LF stays (also as the file's last byte)
               0x1A    -> end of text; nothing from it on is read
     writing:  LF      -> CR LF
   No other byte changes: no code-page conversion, no byte-order mark. */

std::string DecodeTextMode(const std::string& raw)
{
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\x1a')
            break;
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;  // the LF that follows is kept on the next turn
        text.push_back(c);
    }
    return text;
}

std::string EncodeTextMode(const std::string& text)
{
    std::string raw;
    raw.reserve(text.size());
    for (const char c : text) {
        if (c == '\n')
            raw.push_back('\r');
        raw.push_back(c);
    }
    return raw;
}
