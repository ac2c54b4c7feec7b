// Identifiers shared by the resource script and the code.
#pragma once
#define IDM_DOCK 40001
#define IDM_UNDOCK 40002
#define IDM_CLOSE 40003
#define IDM_TEXTCOLOUR 40004
#define IDM_BACKCOLOUR 40005
// The floating display switched on by the "&Orvale" item: in no menu.
#define IDM_SHOWUNDOCKED 40006
#define IDM_SAVE 40008
#define IDM_FONT 40009
#define IDM_MATCHBACK 40010
#define IDM_HIDEALWAYS 40011
#define IDM_ALSOATIS 40012
#define IDM_HIDEEMPTY 40013
