// Windows, dialogs, controls, messages, GDI text metrics and the string table
// (the headless window manager). See win32.h.
//
// Nothing is painted. Windows keep class, id, text, styles, rectangle,
// parent and owner, enabled and visible state; messages go to per-class
// procedures. Geometry uses fixed metrics (all in pixels):
//   screen and virtual screen   1280 x 1024 at (0, 0) (tests may change it)
//   caption height (SM_CYCAPTION) 22; fixed (dialog) frame 3; sizing frame 4;
//   border 1; client edge (WS_EX_CLIENTEDGE) 2; menu 20; scroll bars 17
//   dialog base units: 6 x 13 for dialogs with a font (DS_SETFONT; every face
//   and size measures alike), 8 x 16 for the system font (GetDialogBaseUnits)
//   text extents: every character of a font has that font's average width:
//   dialog font, ANSI_VAR_FONT and DEFAULT_GUI_FONT 6 x 13; SYSTEM_FONT and
//   DEVICE_DEFAULT_FONT 8 x 16; ANSI_FIXED_FONT 8 x 13; OEM_FIXED_FONT 8 x 12;
//   SYSTEM_FIXED_FONT 8 x 15.
#pragma once

#include "win32_base.h"
#include "win32_msgbox.h"  // IDOK ... IDNO

#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif
#ifndef ERROR_CLASS_ALREADY_EXISTS
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#endif
#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif
#ifndef ERROR_TLW_WITH_WSCHILD
#define ERROR_TLW_WITH_WSCHILD 1406L
#endif
#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);
typedef WORD ATOM;
typedef DWORD COLORREF;

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *LPMSG;

typedef struct tagWNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
} WNDCLASSA;

typedef struct tagNMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
} NMHDR, *LPNMHDR;

typedef struct tagCREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTA, *LPCREATESTRUCTA;

// Dialog templates. Both are read from their bytes; the structs give only
// their fixed heads (variable parts follow in the bytes).
#pragma pack(push, 2)
typedef struct {
  DWORD style;
  DWORD dwExtendedStyle;
  WORD cdit;
  short x;
  short y;
  short cx;
  short cy;
} DLGTEMPLATE;
#pragma pack(pop)
typedef const DLGTEMPLATE* LPCDLGTEMPLATEA;
static_assert(sizeof(DLGTEMPLATE) == 18, "DLGTEMPLATE head is 18 bytes");

// ---- Messages ----
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_SETCURSOR 0x0020
#define WM_NEXTDLGCTL 0x0028
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_NOTIFY 0x004E
#define WM_HELP 0x0053
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_USER 0x0400
#define WM_APP 0x8000

#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B

// ---- Window styles ----
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW 0x00CF0000L
#define WS_POPUPWINDOW 0x80880000L

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L

#define DS_ABSALIGN 0x01L
#define DS_SYSMODAL 0x02L
#define DS_3DLOOK 0x04L
#define DS_FIXEDSYS 0x08L
#define DS_NOFAILCREATE 0x10L
#define DS_LOCALEDIT 0x20L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_NOIDLEMSG 0x100L
#define DS_SETFOREGROUND 0x200L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L
#define DS_CENTERMOUSE 0x1000L
#define DS_CONTEXTHELP 0x2000L
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

#define CW_USEDEFAULT ((int)0x80000000)
#define HWND_DESKTOP ((HWND)0)
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)

// ---- Dialog results and default ids (IDOK ... IDNO: win32_msgbox.h) ----
#define IDHELP 9
#define IDC_STATIC (-1)

#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B

// ---- Window data ----
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define GWL_ID GWLP_ID
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + (int)sizeof(LRESULT))
#define DWLP_USER (DWLP_DLGPROC + (int)sizeof(DLGPROC))

#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
#define GA_PARENT 1
#define GA_ROOT 2
#define GA_ROOTOWNER 3

// ---- ShowWindow and SetWindowPos ----
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

#define RDW_INVALIDATE 0x0001
#define RDW_ERASE 0x0004
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100

// ---- Message queue ----
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// ---- System metrics ----
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CXFIXEDFRAME SM_CXDLGFRAME
#define SM_CYFIXEDFRAME SM_CYDLGFRAME
#define SM_CYMENU 15
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXSIZEFRAME SM_CXFRAME
#define SM_CYSIZEFRAME SM_CYFRAME
#define SM_CXEDGE 45
#define SM_CYEDGE 46
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
#define SM_CMONITORS 80

// ---- Cursors ----
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)

// ---- Buttons ----
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_3STATE 0x00000005L
#define BS_AUTO3STATE 0x00000006L
#define BS_GROUPBOX 0x00000007L
#define BS_USERBUTTON 0x00000008L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_OWNERDRAW 0x0000000BL
#define BS_TYPEMASK 0x0000000FL
#define BS_LEFTTEXT 0x00000020L
#define BS_CENTER 0x00000300L
#define BS_VCENTER 0x00000C00L

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008
#define BN_CLICKED 0
#define BN_DBLCLK 5

// ---- Edit controls ----
#define ES_LEFT 0x0000L
#define ES_CENTER 0x0001L
#define ES_RIGHT 0x0002L
#define ES_MULTILINE 0x0004L
#define ES_UPPERCASE 0x0008L
#define ES_LOWERCASE 0x0010L
#define ES_PASSWORD 0x0020L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L
#define ES_NUMBER 0x2000L

#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_REPLACESEL 0x00C2
#define EM_GETLINECOUNT 0x00BA
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_SETREADONLY 0x00CF
#define EM_GETLIMITTEXT 0x00D5
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400

// ---- Static controls ----
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_BLACKFRAME 0x00000007L
#define SS_NOPREFIX 0x00000080L
#define SS_NOTIFY 0x00000100L
#define SS_SUNKEN 0x00001000L

// ---- Combo boxes ----
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_OWNERDRAWFIXED 0x0010L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_SORT 0x0100L
#define CBS_HASSTRINGS 0x0200L
#define CBS_NOINTEGRALHEIGHT 0x0400L

#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158
#define CB_GETDROPPEDWIDTH 0x015F
#define CB_SETDROPPEDWIDTH 0x0160

#define CBN_ERRSPACE (-1)
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CBN_SELENDOK 9
#define CBN_SELENDCANCEL 10

// ---- List boxes ----
#define LBS_NOTIFY 0x0001L
#define LBS_SORT 0x0002L
#define LBS_MULTIPLESEL 0x0008L
#define LBS_HASSTRINGS 0x0040L
#define LBS_NOINTEGRALHEIGHT 0x0100L
#define LBS_EXTENDEDSEL 0x0800L

#define LB_OKAY 0
#define LB_ERR (-1)
#define LB_ERRSPACE (-2)
#define LB_ADDSTRING 0x0180
#define LB_INSERTSTRING 0x0181
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_SETCURSEL 0x0186
#define LB_GETSEL 0x0187
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_SELECTSTRING 0x018C
#define LB_FINDSTRING 0x018F
#define LB_GETSELCOUNT 0x0190
#define LB_GETSELITEMS 0x0191
#define LB_GETITEMDATA 0x0199
#define LB_SETITEMDATA 0x019A
#define LB_FINDSTRINGEXACT 0x01A2

#define LBN_ERRSPACE (-2)
#define LBN_SELCHANGE 1
#define LBN_DBLCLK 2
#define LBN_SELCANCEL 3
#define LBN_SETFOCUS 4
#define LBN_KILLFOCUS 5

// ---- Common controls: list view ----
#define WC_LISTVIEWA "SysListView32"
#define WC_TREEVIEWA "SysTreeView32"
#define WC_HEADERA "SysHeader32"

#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_SORTASCENDING 0x0010
#define LVS_SORTDESCENDING 0x0020
#define LVS_NOLABELWRAP 0x0080
#define LVS_ALIGNLEFT 0x0800
#define LVS_NOCOLUMNHEADER 0x4000
#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_FULLROWSELECT 0x00000020

#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002
#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)

#define LVM_FIRST 0x1000
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_GETITEMA (LVM_FIRST + 5)
#define LVM_SETITEMA (LVM_FIRST + 6)
#define LVM_INSERTITEMA (LVM_FIRST + 7)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_GETSTRINGWIDTHA (LVM_FIRST + 17)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_GETCOLUMNA (LVM_FIRST + 25)
#define LVM_SETCOLUMNA (LVM_FIRST + 26)
#define LVM_INSERTCOLUMNA (LVM_FIRST + 27)
#define LVM_DELETECOLUMN (LVM_FIRST + 28)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETCOLUMNWIDTH (LVM_FIRST + 30)
#define LVM_GETHEADER (LVM_FIRST + 31)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_GETITEMTEXTA (LVM_FIRST + 45)
#define LVM_SETITEMTEXTA (LVM_FIRST + 46)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)

#define NM_FIRST 0U
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define LVN_FIRST (0U - 100U)
#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_DELETEITEM (LVN_FIRST - 3)

typedef struct tagLVITEMA {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  LPSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
  int iIndent;
  int iGroupId;
  UINT cColumns;
  UINT* puColumns;
  int* piColFmt;
  int iGroup;
} LVITEMA, *LPLVITEMA;

typedef struct tagLVCOLUMNA {
  UINT mask;
  int fmt;
  int cx;
  LPSTR pszText;
  int cchTextMax;
  int iSubItem;
  int iImage;
  int iOrder;
  int cxMin;
  int cxDefault;
  int cxIdeal;
} LVCOLUMNA, *LPLVCOLUMNA;

typedef struct tagNMLISTVIEW {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
} NMLISTVIEW, *LPNMLISTVIEW;

typedef struct tagNMITEMACTIVATE {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
  UINT uKeyFlags;
} NMITEMACTIVATE, *LPNMITEMACTIVATE;

// ---- Common controls: tree view (what a minimal tree needs) ----
KVX_DECLARE_HANDLE(HTREEITEM);
#define TVI_ROOT ((HTREEITEM)(ULONG_PTR)-0x10000)
#define TVI_FIRST ((HTREEITEM)(ULONG_PTR)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(ULONG_PTR)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(ULONG_PTR)-0x0FFFD)

#define TVIF_TEXT 0x0001
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_CARET 0x0009

#define TV_FIRST 0x1100
#define TVM_INSERTITEMA (TV_FIRST + 0)
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
#define TVM_SELECTITEM (TV_FIRST + 11)
#define TVM_GETITEMA (TV_FIRST + 12)
#define TVM_SETITEMA (TV_FIRST + 13)
#define TVN_FIRST (0U - 400U)
#define TVN_SELCHANGEDA (TVN_FIRST - 2)

typedef struct tagTVITEMA {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  LPSTR pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int cChildren;
  LPARAM lParam;
} TVITEMA, *LPTVITEMA;

typedef struct tagNMTREEVIEWA {
  NMHDR hdr;
  UINT action;
  TVITEMA itemOld;
  TVITEMA itemNew;
  POINT ptDrag;
} NMTREEVIEWA, *LPNMTREEVIEWA;

typedef struct tagTVITEMEXA {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  LPSTR pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int cChildren;
  LPARAM lParam;
  int iIntegral;
  UINT uStateEx;
  HWND hwnd;
  int iExpandedImage;
  int iReserved;
} TVITEMEXA, *LPTVITEMEXA;

// The item is a union with the extended item, which sets the struct's size.
typedef struct tagTVINSERTSTRUCTA {
  HTREEITEM hParent;
  HTREEITEM hInsertAfter;
  union {
    TVITEMEXA itemex;
    TVITEMA item;
  };
} TVINSERTSTRUCTA, *LPTVINSERTSTRUCTA;
static_assert(sizeof(TVINSERTSTRUCTA) == 16 + sizeof(TVITEMEXA), "TVINSERTSTRUCTA has Windows' layout");

// ---- GDI: stock fonts and text extents ----
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

typedef struct tagTEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICA, *LPTEXTMETRICA;

extern "C" {
// Window classes and windows.
KVX_PLATFORM_API ATOM WINAPI RegisterClassA(const WNDCLASSA* wc);
KVX_PLATFORM_API BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE inst);
KVX_PLATFORM_API HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                                             int y, int width, int height, HWND parent, HMENU menu, HINSTANCE inst,
                                             LPVOID param);
KVX_PLATFORM_API BOOL WINAPI DestroyWindow(HWND hwnd);
KVX_PLATFORM_API BOOL WINAPI IsWindow(HWND hwnd);
KVX_PLATFORM_API LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KVX_PLATFORM_API LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KVX_PLATFORM_API int WINAPI GetClassNameA(HWND hwnd, LPSTR buffer, int size);
KVX_PLATFORM_API HWND WINAPI GetParent(HWND hwnd);
KVX_PLATFORM_API HWND WINAPI GetAncestor(HWND hwnd, UINT flags);
KVX_PLATFORM_API HWND WINAPI GetWindow(HWND hwnd, UINT cmd);
KVX_PLATFORM_API HWND WINAPI GetDesktopWindow(void);
KVX_PLATFORM_API BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
KVX_PLATFORM_API BOOL WINAPI IsChild(HWND parent, HWND hwnd);
KVX_PLATFORM_API LONG WINAPI GetWindowLongA(HWND hwnd, int index);
KVX_PLATFORM_API LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value);
KVX_PLATFORM_API LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index);
KVX_PLATFORM_API LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
KVX_PLATFORM_API int WINAPI GetDlgCtrlID(HWND hwnd);

// Text, state and geometry.
KVX_PLATFORM_API BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text);
KVX_PLATFORM_API int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
KVX_PLATFORM_API int WINAPI GetWindowTextLengthA(HWND hwnd);
KVX_PLATFORM_API BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable);
KVX_PLATFORM_API BOOL WINAPI IsWindowEnabled(HWND hwnd);
KVX_PLATFORM_API BOOL WINAPI ShowWindow(HWND hwnd, int cmd);
KVX_PLATFORM_API BOOL WINAPI IsWindowVisible(HWND hwnd);
KVX_PLATFORM_API BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect);
KVX_PLATFORM_API BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect);
KVX_PLATFORM_API BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
KVX_PLATFORM_API BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags);
KVX_PLATFORM_API BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point);
KVX_PLATFORM_API BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point);
KVX_PLATFORM_API int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
KVX_PLATFORM_API BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
KVX_PLATFORM_API BOOL WINAPI UpdateWindow(HWND hwnd);
KVX_PLATFORM_API BOOL WINAPI RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);
KVX_PLATFORM_API int WINAPI GetSystemMetrics(int index);
KVX_PLATFORM_API BOOL WINAPI GetCursorPos(LPPOINT point);
KVX_PLATFORM_API BOOL WINAPI SetCursorPos(int x, int y);
KVX_PLATFORM_API HCURSOR WINAPI LoadCursorA(HINSTANCE inst, LPCSTR name);
KVX_PLATFORM_API HCURSOR WINAPI SetCursor(HCURSOR cursor);
KVX_PLATFORM_API int WINAPI MulDiv(int number, int numerator, int denominator);

// Focus and activation. The active window is the top-level window the user
// works in: a running modal dialog while it runs.
KVX_PLATFORM_API HWND WINAPI GetActiveWindow(void);
KVX_PLATFORM_API HWND WINAPI SetActiveWindow(HWND hwnd);
KVX_PLATFORM_API HWND WINAPI GetForegroundWindow(void);
KVX_PLATFORM_API BOOL WINAPI SetForegroundWindow(HWND hwnd);
KVX_PLATFORM_API HWND WINAPI GetFocus(void);
KVX_PLATFORM_API HWND WINAPI SetFocus(HWND hwnd);

// Messages and the queue.
KVX_PLATFORM_API LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KVX_PLATFORM_API BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KVX_PLATFORM_API void WINAPI PostQuitMessage(int exitCode);
KVX_PLATFORM_API BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove);
KVX_PLATFORM_API BOOL WINAPI TranslateMessage(const MSG* msg);
KVX_PLATFORM_API LRESULT WINAPI DispatchMessageA(const MSG* msg);
KVX_PLATFORM_API BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG msg);

// Dialogs. A template name is MAKEINTRESOURCEA(id) of a template the module
// registered (kvxRegisterDialogTemplate below); an unknown one fails with
// ERROR_RESOURCE_NAME_NOT_FOUND (-1 for the modal calls, NULL otherwise).
KVX_PLATFORM_API INT_PTR WINAPI DialogBoxParamA(HINSTANCE inst, LPCSTR templateName, HWND parent, DLGPROC proc,
                                                LPARAM param);
KVX_PLATFORM_API INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE inst, LPCDLGTEMPLATEA dlgTemplate, HWND parent,
                                                        DLGPROC proc, LPARAM param);
KVX_PLATFORM_API HWND WINAPI CreateDialogParamA(HINSTANCE inst, LPCSTR templateName, HWND parent, DLGPROC proc,
                                                LPARAM param);
KVX_PLATFORM_API HWND WINAPI CreateDialogIndirectParamA(HINSTANCE inst, LPCDLGTEMPLATEA dlgTemplate, HWND parent,
                                                        DLGPROC proc, LPARAM param);
KVX_PLATFORM_API BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
KVX_PLATFORM_API LRESULT WINAPI DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
KVX_PLATFORM_API HWND WINAPI GetDlgItem(HWND dialog, int id);
KVX_PLATFORM_API BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
KVX_PLATFORM_API UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size);
KVX_PLATFORM_API BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
KVX_PLATFORM_API UINT WINAPI GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
KVX_PLATFORM_API LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
KVX_PLATFORM_API BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check);
KVX_PLATFORM_API UINT WINAPI IsDlgButtonChecked(HWND dialog, int id);
KVX_PLATFORM_API BOOL WINAPI CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
KVX_PLATFORM_API BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect);
KVX_PLATFORM_API LONG WINAPI GetDialogBaseUnits(void);

// GDI: device contexts, stock fonts, text extents.
KVX_PLATFORM_API HDC WINAPI GetDC(HWND hwnd);
KVX_PLATFORM_API int WINAPI ReleaseDC(HWND hwnd, HDC dc);
KVX_PLATFORM_API HGDIOBJ WINAPI GetStockObject(int index);
KVX_PLATFORM_API HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
KVX_PLATFORM_API BOOL WINAPI DeleteObject(HGDIOBJ object);
KVX_PLATFORM_API BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size);
KVX_PLATFORM_API BOOL WINAPI GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics);

// The string table. With size 0 the buffer receives a read-only pointer to
// the text (as Windows does), and the text's length is returned.
KVX_PLATFORM_API int WINAPI LoadStringA(HINSTANCE inst, UINT id, LPSTR buffer, int size);

// Not Windows: how a module hands its resources to the layer (what the
// resource compiler and loader do on Windows). The layer copies the data.
// One module in the process holds resources: look-ups go by id alone.
KVX_PLATFORM_API BOOL kvxRegisterDialogTemplate(HINSTANCE inst, int id, const void* bytes, size_t size);
KVX_PLATFORM_API BOOL kvxRegisterString(HINSTANCE inst, UINT id, LPCSTR text);
}
