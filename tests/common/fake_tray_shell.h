#pragma once

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/tray_shell.h"

namespace dravik::test {

// A notification area in memory: records every call, keeps the icons it accepted, and refuses an operation
// on request the way the real shell may.
class FakeTrayShell final : public ITrayShell {
public:
    struct Call {
        TrayOp op;
        TrayIconData data;
        bool result;
        std::string Tip() const { return data.tip; }
    };

    bool supported = true;
    bool available = true;
    bool doubleClicks = true;
    bool refuseAdd = false;
    bool refuseModify = false;
    bool refuseDelete = false;
    std::vector<Call> calls;

    bool IsSupported() const override { return supported; }
    bool IsAvailable() const override { return available; }
    bool DeliversDoubleClick() const override { return doubleClicks; }

    bool NotifyIcon(TrayOp op, const TrayIconData& data) override {
        const Key key{data.window, data.id};
        bool ok = false;
        switch (op) {
            case TrayOp::Add:
                // Like the real shell, an icon that is there already cannot be added again.
                ok = !refuseAdd && m_icons.count(key) == 0;
                if (ok) {
                    m_icons.insert(key);
                }
                break;
            case TrayOp::Modify:
                ok = !refuseModify && m_icons.count(key) != 0;
                break;
            case TrayOp::Delete:
                ok = !refuseDelete && m_icons.erase(key) != 0;
                break;
        }
        calls.push_back(Call{op, data, ok});
        return ok;
    }

    // The host restarted: it has forgotten every icon.
    void ForgetIcons() { m_icons.clear(); }
    std::size_t IconCount() const { return m_icons.size(); }
    std::size_t Count(TrayOp op) const {
        std::size_t n = 0;
        for (const auto& call : calls) {
            n += call.op == op ? 1 : 0;
        }
        return n;
    }

private:
    using Key = std::pair<ITrayWindow*, unsigned>;
    std::set<Key> m_icons;
};

}  // namespace dravik::test
