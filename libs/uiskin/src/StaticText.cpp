#include "StaticText.h"

using namespace zeva;
using namespace zeva::ui;

BOOL CStatic::Create(const std::string& text, DWORD style, const CRect& rect, CWnd* parent,
                     UINT id) {
    return CreateWnd(parent, id, rect, style, text);
}
