#include "ScriptTargets.h"

#include <nlohmann/json.hpp>

#include "Controls.h"
#include "Renderer.h"
#include "platform/CodePage.h"

namespace zeva::host {

namespace {

bool ParseUint(const std::string& s, UINT& out) {
    if (s.empty() || s.size() > 9) return false;
    UINT v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<UINT>(c - '0');
    }
    out = v;
    return true;
}

UINT TemplateOf(const CWnd& w) {
    if (w.Kind() == ui::ControlKind::Dialog)
        return static_cast<const CImageDialog&>(w).TemplateId();
    return w.GetDlgCtrlID();
}

// Visible controls with `id` under `root`, depth first, entering visible child windows.
void CollectVisible(CWnd& root, UINT id, std::vector<CWnd*>& out) {
    for (CWnd* child : root.Children()) {
        if (!child->IsVisibleFlag()) continue;
        if (child->GetDlgCtrlID() == id) out.push_back(child);
        if (!child->Children().empty()) CollectVisible(*child, id, out);
    }
}

// Dialogs made from template `t` at or under `root`, depth first.
void CollectDialogs(CWnd& root, UINT t, std::vector<CWnd*>& out) {
    if (root.Kind() == ui::ControlKind::Dialog && TemplateOf(root) == t) out.push_back(&root);
    for (CWnd* child : root.Children()) CollectDialogs(*child, t, out);
}

}  // namespace

bool ParseControlSpec(const std::string& text, ControlSpec& out, std::string& error) {
    ControlSpec s;
    s.spec = text;
    std::string body = text;
    if (const auto hash = body.find('#'); hash != std::string::npos) {
        UINT n = 0;
        if (!ParseUint(body.substr(hash + 1), n) || n == 0) {
            error = "not a control (ID, T/ID, ID#N): " + text;
            return false;
        }
        s.nth = static_cast<int>(n);
        body.erase(hash);
    }
    if (const auto slash = body.find('/'); slash != std::string::npos) {
        s.inDialog = true;
        if (!ParseUint(body.substr(0, slash), s.dialog)) {
            error = "not a control (ID, T/ID, ID#N): " + text;
            return false;
        }
        body.erase(0, slash + 1);
    }
    if (!ParseUint(body, s.id)) {
        error = "not a control (ID, T/ID, ID#N): " + text;
        return false;
    }
    out = s;
    return true;
}

std::vector<CWnd*> MatchingControls(CWnd& active, const ControlSpec& spec) {
    std::vector<CWnd*> found;
    if (!spec.inDialog) {
        CollectVisible(active, spec.id, found);
        return found;
    }
    std::vector<CWnd*> dialogs;
    CollectDialogs(active, spec.dialog, dialogs);
    if (dialogs.empty()) {
        for (CWnd* top : ui::TopLevelWindows()) {
            if (top != &active) CollectDialogs(*top, spec.dialog, dialogs);
        }
    }
    for (CWnd* d : dialogs) {
        for (CWnd* child : d->Children()) {
            if (child->GetDlgCtrlID() == spec.id) found.push_back(child);
        }
    }
    return found;
}

CWnd* FindControl(CWnd& active, const ControlSpec& spec) {
    const std::vector<CWnd*> found = MatchingControls(active, spec);
    return spec.nth <= static_cast<int>(found.size())
               ? found[static_cast<std::size_t>(spec.nth - 1)]
               : nullptr;
}

std::string Describe(const ControlSpec& spec) {
    std::string d = spec.inDialog ? "control " + std::to_string(spec.id) + " of dialog " +
                                        std::to_string(spec.dialog)
                                  : "visible control " + std::to_string(spec.id);
    if (spec.nth > 1) d += " number " + std::to_string(spec.nth);
    return d + " (" + spec.spec + ")";
}

// ---- the dump ----

namespace {

using json = nlohmann::ordered_json;

const char* KindName(ui::ControlKind k) {
    switch (k) {
        case ui::ControlKind::Dialog:
            return "dialog";
        case ui::ControlKind::Static:
            return "static";
        case ui::ControlKind::Picture:
            return "picture";
        case ui::ControlKind::Button:
            return "button";
        case ui::ControlKind::CheckBox:
            return "checkbox";
        case ui::ControlKind::Edit:
            return "edit";
        case ui::ControlKind::ComboBox:
            return "combobox";
        case ui::ControlKind::ListCtrl:
            return "listctrl";
        case ui::ControlKind::Progress:
            return "progress";
    }
    return "static";
}

std::string Text(const std::string& acp) {
    return AcpToUtf8(acp);
}

json Rect(const CRect& r) {
    return json::array({r.left, r.top, r.Width(), r.Height()});
}

void AddScroll(const CWnd& w, json& j) {
    const ui::ScrollState& s = w.ScrollBar(SB_VERT);
    if (s.shown) j["scroll"] = json::array({s.min, s.max, s.page, s.pos});
}

json Control(CWnd& top, CWnd& c) {
    json j;
    UINT dialog = 0;
    for (CWnd* w = c.GetParent(); w; w = w->GetParent()) {
        if (w->Kind() == ui::ControlKind::Dialog) {
            dialog = TemplateOf(*w);
            break;
        }
    }
    CRect r = c.Rect();
    for (CWnd* w = c.GetParent(); w && w != &top; w = w->GetParent())
        r.OffsetRect(w->Rect().left, w->Rect().top);
    j["id"] = TemplateOf(c);
    j["dialog"] = dialog;
    j["kind"] = KindName(c.Kind());
    j["text"] = Text(c.GetWindowText());
    j["visible"] = c.IsWindowVisible() != 0;
    j["enabled"] = c.IsWindowEnabled() != 0;
    j["rect"] = Rect(r);
    switch (c.Kind()) {
        case ui::ControlKind::Button:
        case ui::ControlKind::CheckBox:
            if (auto* b = dynamic_cast<CButton*>(&c)) j["checked"] = b->GetCheck() != 0;
            break;
        case ui::ControlKind::Progress:
            if (auto* p = dynamic_cast<CProgressBar*>(&c)) {
                int lo = 0, hi = 0;
                p->GetRange(lo, hi);
                j["pos"] = p->GetPos();
                j["range"] = json::array({lo, hi});
                if (p->IsPillar()) j["pillar"] = true;
            }
            break;
        case ui::ControlKind::ListCtrl:
            if (auto* l = dynamic_cast<CListCtrl*>(&c)) {
                json columns = json::array();
                for (const auto& col : l->Columns()) columns.push_back(Text(col.heading));
                const int cells = std::max(1, l->GetColumnCount());
                json rows = json::array();
                for (int row = 0; row < l->GetItemCount(); ++row) {
                    json cellsOfRow = json::array();
                    for (int col = 0; col < cells; ++col)
                        cellsOfRow.push_back(Text(l->GetItemText(row, col)));
                    rows.push_back(std::move(cellsOfRow));
                }
                j["columns"] = std::move(columns);
                j["items"] = std::move(rows);
                j["selected"] = l->GetSelectionMark();
            }
            break;
        case ui::ControlKind::ComboBox:
            if (auto* cb = dynamic_cast<CComboBox*>(&c)) {
                json items = json::array();
                for (const auto& item : cb->Items()) items.push_back(Text(item));
                j["items"] = std::move(items);
                j["selected"] = cb->GetCurSel();
            }
            break;
        default:
            break;
    }
    AddScroll(c, j);
    return j;
}

void Controls(CWnd& top, CWnd& root, json& out) {
    for (CWnd* child : root.Children()) {
        out.push_back(Control(top, *child));
        if (!child->Children().empty()) Controls(top, *child, out);
    }
}

}  // namespace

std::string DumpWindowsJson() {
    json windows = json::array();
    CWnd* active = ui::ActiveWindow();
    for (CWnd* top : ui::TopLevelWindows()) {
        json w;
        CRect r;
        top->GetWindowRect(&r);
        w["template"] = TemplateOf(*top);
        w["kind"] = KindName(top->Kind());
        w["text"] = Text(top->GetWindowText());
        w["visible"] = top->IsWindowVisible() != 0;
        w["modal"] =
            top->Kind() == ui::ControlKind::Dialog && static_cast<CImageDialog*>(top)->IsModal();
        w["active"] = top == active;
        w["enabled"] = top->IsWindowEnabled() != 0;
        w["rect"] = Rect(r);
        AddScroll(*top, w);
        json controls = json::array();
        Controls(*top, *top, controls);
        w["controls"] = std::move(controls);
        windows.push_back(std::move(w));
    }
    json doc;
    doc["windows"] = std::move(windows);
    // Texts that are no valid UTF-8 after conversion show U+FFFD rather than failing the dump.
    return doc.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace zeva::host
