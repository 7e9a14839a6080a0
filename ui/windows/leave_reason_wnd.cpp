#include "ui/windows/leave_reason_wnd.h"

#include "ui/windows/message_box.h"

namespace {
constexpr wchar_t kConfirmText[] = L"确定要卸载 Korvelia 吗？";
}

void CLeaveReasonWnd::ShowWnd() {
    LPARAM goOn = 1;
    if (!m_silent) goOn = ShowMessage(m_anchor, kConfirmText, MB_YESNO | MB_ICONQUESTION) == IDYES ? 1 : 0;
    if (m_notify) PostMessageW(m_notify, WM_WIZARD_STEP, kStepLeaveReason, goOn);
}
