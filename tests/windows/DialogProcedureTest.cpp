// dlgproc as the procedure of a real dialog (the null graphics driver of
// the Wine prefix gives windows without a display).
#include <gtest/gtest.h>

#include <sstream>

#include "WindowsHarness.h"

namespace aro::wtest {
namespace {

// An in-memory dialog template: no menu, class, title, font or controls.
struct DialogTemplate {
    DLGTEMPLATE header;
    WORD menu = 0, windowClass = 0, title = 0;
};

DialogTemplate MakeTemplate() {
    DialogTemplate dialog{};
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    dialog.header.x = 10;
    dialog.header.y = 10;
    dialog.header.cx = 120;
    dialog.header.cy = 80;
    return dialog;
}

INT_PTR CALLBACK AcceptingProcedure(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::string Describe(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    std::ostringstream text;
    text << frame.left << "," << frame.top << " " << frame.right - frame.left << "x"
         << frame.bottom - frame.top << (IsWindowVisible(window) ? " visible" : " hidden");
    return text.str();
}

// outputs: the plain dialog; the module's dialog after creation, after
// Cancel, after OK; dlgproc's results without a window.
ARO_JOB(DialogWithTheModuleProcedure) {
    const DialogTemplate dialog = MakeTemplate();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND plain =
        CreateDialogIndirectParamA(instance, &dialog.header, nullptr, AcceptingProcedure, 0);
    job.outputs.push_back(plain ? Describe(plain) : "no window");
    HWND window = CreateDialogIndirectParamA(instance, &dialog.header, nullptr,
                                             reinterpret_cast<DLGPROC>(m.dialog), 0);
    if (window == nullptr) return;
    job.outputs.push_back(Describe(window));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    job.outputs.push_back(Describe(window));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    job.outputs.push_back(Describe(window));
    DestroyWindow(window);
    if (plain) DestroyWindow(plain);
    job.outputs.push_back(std::to_string(m.dialog(nullptr, WM_INITDIALOG, 0, 0)) + " " +
                          std::to_string(m.dialog(nullptr, WM_COMMAND, IDOK, 0)) + " " +
                          std::to_string(m.dialog(nullptr, WM_CLOSE, 0, 0)));
}

std::string SizeOf(const std::string& description) {
    return description.substr(description.find(' ') + 1);
}

TEST(DialogProcedureTest, OpensAtFiftyFiftyKeepingItsSizeAndEndsOnOk) {
    Sandbox box;
    JobResult job = box.Run("DialogWithTheModuleProcedure");
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    ASSERT_EQ(job.outputs.size(), 5u)
        << (job.outputs.empty() ? "" : job.outputs[0]) << " " << GetLastError();
    const std::string& plain = job.outputs[0];
    EXPECT_NE(plain.substr(0, plain.find(' ')), "50,50");
    EXPECT_EQ(job.outputs[1], "50,50 " + SizeOf(plain));
    // Cancel is not the module's business; OK ends the dialog, which hides it.
    EXPECT_EQ(job.outputs[2], "50,50 " + SizeOf(plain));
    EXPECT_EQ(job.outputs[3],
              "50,50 " + SizeOf(plain).replace(SizeOf(plain).find("visible"), 7, "hidden"));
    EXPECT_EQ(job.outputs[4], "1 0 0");
}

}  // namespace
}  // namespace aro::wtest
