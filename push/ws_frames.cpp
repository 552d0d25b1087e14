#include "push/ws_frames.h"

#include <algorithm>

namespace dravik {
namespace {

constexpr std::uint64_t kMaxControlBytes = 125;

bool IsControl(unsigned char opcode) {
    return (opcode & 0x8) != 0;
}

}  // namespace

bool WsFrameReader::Refuse(std::string why) {
    m_failure = std::move(why);
    m_message.clear();
    m_message.shrink_to_fit();
    return false;
}

bool WsFrameReader::Feed(std::string_view bytes, WsReadResult* out) {
    while (!Failed() && !m_closed && !bytes.empty()) {
        if (!m_inFrame) {
            // Header bytes one piece at a time, so that no more is taken than the header needs.
            const std::size_t take = m_header.size() < 2 ? std::min(2 - m_header.size(), bytes.size()) : 1;
            m_header.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            if (!ReadHeader(out)) {
                return false;
            }
            continue;
        }
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(m_left, bytes.size()));
        if (IsControl(m_opcode)) {
            m_control.append(bytes.substr(0, take));
        } else if (m_messageType == kWsText) {
            m_message.append(bytes.substr(0, take));
        }
        bytes.remove_prefix(take);
        m_left -= take;
        if (m_left == 0 && !FrameDone(out)) {
            return false;
        }
    }
    return !Failed();
}

// Called with each new header byte; reads the header once it is whole.
bool WsFrameReader::ReadHeader(WsReadResult* out) {
    if (m_header.size() < 2) {
        return true;
    }
    const auto first = static_cast<unsigned char>(m_header[0]);
    const auto second = static_cast<unsigned char>(m_header[1]);
    if (m_header.size() == 2) {
        // Everything that can be judged on the first two bytes is, before any length bytes are waited for.
        if ((first & 0x70) != 0) {
            return Refuse("reserved bits set");
        }
        if ((second & 0x80) != 0) {
            return Refuse("masked frame from the server");
        }
        const unsigned char opcode = first & 0x0F;
        const bool fin = (first & 0x80) != 0;
        if (IsControl(opcode)) {
            if (opcode != kWsClose && opcode != kWsPing && opcode != kWsPong) {
                return Refuse("unknown opcode");
            }
            if (!fin) {
                return Refuse("fragmented control frame");
            }
            if ((second & 0x7F) > kMaxControlBytes) {
                return Refuse("control frame over 125 bytes");
            }
        } else if (opcode == kWsContinuation) {
            if (m_messageType == 0) {
                return Refuse("continuation without a message");
            }
        } else if (opcode == kWsText || opcode == kWsBinary) {
            if (m_messageType != 0) {
                return Refuse("new message inside a fragmented one");
            }
        } else {
            return Refuse("unknown opcode");
        }
        m_opcode = opcode;
        m_fin = fin;
    }
    const unsigned length7 = second & 0x7F;
    const std::size_t headerSize = length7 == 126 ? 4 : length7 == 127 ? 10 : 2;
    if (m_header.size() < headerSize) {
        return true;
    }
    std::uint64_t length = length7;
    if (headerSize > 2) {
        length = 0;
        for (std::size_t i = 2; i < headerSize; ++i) {
            length = (length << 8) | static_cast<unsigned char>(m_header[i]);
        }
    }
    m_header.clear();
    if (!IsControl(m_opcode)) {
        if (length > m_maxMessageBytes || m_messageBytes + length > m_maxMessageBytes) {
            return Refuse("frame or message over " + std::to_string(m_maxMessageBytes) + " bytes");
        }
        if (m_opcode != kWsContinuation) {
            m_messageType = m_opcode;
        }
        m_messageBytes += length;
        if (m_messageType == kWsText && m_opcode != kWsContinuation) {
            // Only the first frame's length: reserving each fragment's total again would copy the message once
            // per fragment.
            m_message.reserve(static_cast<std::size_t>(length));
        }
    }
    m_control.clear();
    m_left = length;
    m_inFrame = true;
    return m_left != 0 || FrameDone(out);
}

bool WsFrameReader::FrameDone(WsReadResult* out) {
    m_inFrame = false;
    out->activity = true;
    if (IsControl(m_opcode)) {
        if (m_opcode == kWsPing) {
            out->pings.push_back(std::move(m_control));
        } else if (m_opcode == kWsClose) {
            m_closed = true;
            out->closed = true;
            out->closeCode = m_control.substr(0, 2);
        }
        m_control.clear();
        return true;
    }
    if (!m_fin) {
        return true;
    }
    if (m_messageType == kWsText) {
        if (!IsUtf8(m_message)) {
            return Refuse("text that is not UTF-8");
        }
        out->texts.push_back(std::move(m_message));
    }
    m_message = std::string();
    m_messageBytes = 0;
    m_messageType = 0;
    return true;
}

std::string WsClientFrame(unsigned char opcode, std::string_view payload, const std::array<unsigned char, 4>& mask) {
    std::string frame;
    frame.reserve(payload.size() + 14);
    frame += static_cast<char>(0x80 | (opcode & 0x0F));
    const std::uint64_t size = payload.size();
    if (size < 126) {
        frame += static_cast<char>(0x80 | size);
    } else if (size <= 0xFFFF) {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>((size >> 8) & 0xFF);
        frame += static_cast<char>(size & 0xFF);
    } else {
        frame += static_cast<char>(0x80 | 127);
        for (int shift = 56; shift >= 0; shift -= 8) {
            frame += static_cast<char>((size >> shift) & 0xFF);
        }
    }
    for (const unsigned char m : mask) {
        frame += static_cast<char>(m);
    }
    for (std::size_t i = 0; i < payload.size(); ++i) {
        frame += static_cast<char>(static_cast<unsigned char>(payload[i]) ^ mask[i % 4]);
    }
    return frame;
}

bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t count = 0;
        std::uint32_t point = 0;
        std::uint32_t least = 0;
        if ((c & 0xE0) == 0xC0) {
            count = 1, point = c & 0x1F, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            count = 2, point = c & 0x0F, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            count = 3, point = c & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + count >= bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= count; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            point = (point << 6) | (next & 0x3F);
        }
        if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return false;
        }
        i += count + 1;
    }
    return true;
}

}  // namespace dravik
