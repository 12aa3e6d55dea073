// The trace window in-process: created from its resources with the frame's style and a
// plain class, the list filling and following the client area, the menu's states, keys
// bound only to unhandled commands, and lines that are long or many.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/CMainFrame.h"
#include "server/resource.h"

namespace {

constexpr DWORD kFrameStyle = 0x00CF8000;

// The frame's owner: the commands it reports are the end-to-end suites' business.
class QuietOwner : public IMainFrameOwner {
 public:
  void OnRegister() override {}
  void OnUnregister() override {}
  void OnEndSession() override {}
};

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_frame.LoadFrame(IDR_MAINFRAME, kFrameStyle)); }

  HWND Frame() const { return m_frame.GetHwnd(); }
  HWND List() const { return m_frame.GetTraceList(); }

  LRESULT LineCount() const { return SendMessageA(List(), LB_GETCOUNT, 0, 0); }
  std::string Line(LRESULT i) const {
    const LRESULT cch = SendMessageA(List(), LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (cch < 0) return "<none>";
    std::string text(static_cast<size_t>(cch) + 1, '\0');
    SendMessageA(List(), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(cch));
    return text;
  }

  QuietOwner m_owner;
  CMainFrame m_frame{m_owner};
};

std::string LoadText(UINT id) {
  char buffer[256] = {};
  const int cch = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return std::string(buffer, cch > 0 ? static_cast<size_t>(cch) : 0);
}

TEST(WindowResources, NameTheApplicationAndTheFrame) {
  EXPECT_EQ(LoadText(IDS_APP_TITLE), "KorLogServer");
  EXPECT_EQ(LoadText(IDR_MAINFRAME).substr(0, LoadText(IDR_MAINFRAME).find('\n')), "KorLogServer");
}

TEST_F(MainFrameTest, TakesItsCaptionAndStyleFromTheResources) {
  char caption[64] = {};
  GetWindowTextA(Frame(), caption, sizeof(caption));
  EXPECT_STREQ(caption, "KorLogServer");
  const DWORD style = static_cast<DWORD>(GetWindowLongA(Frame(), GWL_STYLE));
  EXPECT_EQ(style & kFrameStyle, kFrameStyle);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(Frame(), GWL_EXSTYLE)) & WS_EX_CLIENTEDGE, 0u);
  EXPECT_NE(GetMenu(Frame()), nullptr);
}

TEST_F(MainFrameTest, HasAPlainWindowClass) {
  EXPECT_EQ(GetClassLongPtrA(Frame(), GCL_STYLE), 0u);
  EXPECT_EQ(GetClassLongPtrA(Frame(), GCLP_HCURSOR), 0u);
  EXPECT_EQ(GetClassLongPtrA(Frame(), GCLP_HBRBACKGROUND), 0u);
  EXPECT_EQ(GetClassLongPtrA(Frame(), GCLP_HICON), 0u);
}

TEST_F(MainFrameTest, TraceListIsThePaneWithItsStyle) {
  ASSERT_NE(List(), nullptr);
  EXPECT_EQ(GetDlgItem(Frame(), 59648), List());
  char cls[32] = {};
  GetClassNameA(List(), cls, sizeof(cls));
  EXPECT_STREQ(cls, "ListBox");
  // The list shows its scroll bar only when the lines overflow it.
  const DWORD style = static_cast<DWORD>(GetWindowLongA(List(), GWL_STYLE));
  EXPECT_EQ(style | WS_VSCROLL, 0x50200100u);
}

TEST_F(MainFrameTest, TraceListFillsTheClientAreaAndFollowsItsSize) {
  const SIZE sizes[] = {{400, 300}, {640, 480}, {180, 120}};
  for (const SIZE& size : sizes) {
    SCOPED_TRACE(std::to_string(size.cx) + "x" + std::to_string(size.cy));
    SetWindowPos(Frame(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    RECT client = {};
    GetClientRect(Frame(), &client);
    RECT list = {};
    GetWindowRect(List(), &list);
    MapWindowPoints(nullptr, Frame(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_TRUE(EqualRect(&client, &list));
  }
}

TEST_F(MainFrameTest, PassesTheFocusToTheList) {
  ShowWindow(Frame(), SW_SHOW);
  SetFocus(Frame());
  EXPECT_EQ(GetFocus(), List());
}

TEST_F(MainFrameTest, MenuOffersTheCommandsAndShowsCopyDisabled) {
  struct Row {
    int menu;
    int pos;
    UINT id;
    const char* text;
    bool enabled;
  };
  const Row rows[] = {
      {0, 0, ID_FILE_REGISTER, "&Register", true},
      {0, 1, ID_FILE_UNREGISTER, "&Unregister", true},
      {0, 3, ID_APP_EXIT, "E&xit", true},
      {1, 0, ID_EDIT_COPY, "&Copy\tCtrl+C", false},
  };
  HMENU bar = GetMenu(Frame());
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  char text[64] = {};
  GetMenuStringA(bar, 0, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "&File");
  GetMenuStringA(bar, 1, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "&Edit");
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 0)), 4);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 1)), 1);
  EXPECT_EQ(GetMenuState(GetSubMenu(bar, 0), 2, MF_BYPOSITION) & MF_SEPARATOR,
            static_cast<UINT>(MF_SEPARATOR));
  for (int menu = 0; menu < 2; ++menu) {
    SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, menu)),
                 MAKELPARAM(menu, 0));
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    HMENU popup = GetSubMenu(bar, row.menu);
    EXPECT_EQ(GetMenuItemID(popup, row.pos), row.id);
    GetMenuStringA(popup, static_cast<UINT>(row.pos), text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, row.text);
    const UINT state = GetMenuState(popup, static_cast<UINT>(row.pos), MF_BYPOSITION);
    EXPECT_EQ((state & (MF_DISABLED | MF_GRAYED)) == 0, row.enabled);
  }
}

TEST_F(MainFrameTest, KeysOnlyReachCommandsNothingHandles) {
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_NE(table, nullptr);
  std::vector<ACCEL> keys(static_cast<size_t>(CopyAcceleratorTableA(table, nullptr, 0)));
  CopyAcceleratorTableA(table, keys.data(), static_cast<int>(keys.size()));
  bool bCtrlC = false;
  for (const ACCEL& key : keys) {
    SCOPED_TRACE(key.cmd);
    EXPECT_FALSE(m_frame.OnCmdMsg(key.cmd, CCmdTarget::CmdAction::kQuery));
    if (key.key == 'C' && (key.fVirt & FCONTROL)) bCtrlC = key.cmd == ID_EDIT_COPY;
  }
  EXPECT_TRUE(bCtrlC);
  // Sent anyway, an unhandled command leaves the window and the list as they were.
  m_frame.AddTraceLine("before");
  SendMessageA(Frame(), WM_COMMAND, ID_EDIT_COPY, 0);
  EXPECT_TRUE(IsWindow(Frame()));
  EXPECT_EQ(LineCount(), 1);
}

TEST_F(MainFrameTest, AppendsLinesInArrivalOrderWithoutSorting) {
  const char* lines[] = {"zeta", "alpha", "AddItem: Writing item x (type 1) under component y\n",
                         ""};
  for (const char* line : lines) m_frame.AddTraceLine(line);
  ASSERT_EQ(LineCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Line(i), lines[i]);
}

TEST_F(MainFrameTest, KeepsALongLineAndTheLinesAfterIt) {
  const std::string longLine(1 << 20, 'x');
  m_frame.AddTraceLine(longLine.c_str());
  m_frame.AddTraceLine("after");
  ASSERT_EQ(LineCount(), 2);
  EXPECT_EQ(Line(0).size(), longLine.size());
  EXPECT_EQ(Line(1), "after");
}

TEST_F(MainFrameTest, KeepsManyLinesAndScrolls) {
  constexpr int kLines = 20000;
  for (int i = 0; i < kLines; ++i) m_frame.AddTraceLine(("line " + std::to_string(i)).c_str());
  ASSERT_EQ(LineCount(), kLines);
  EXPECT_EQ(Line(kLines - 1), "line " + std::to_string(kLines - 1));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(List(), GWL_STYLE)), 0x50200100u);
}

TEST_F(MainFrameTest, IgnoresANullLine) {
  m_frame.AddTraceLine(nullptr);
  EXPECT_EQ(LineCount(), 0);
}

}  // namespace
