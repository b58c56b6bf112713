#pragma once
// Numbers of the program's resources, shared by the resource script and the code.
#define kProgramIcon 1
#define kShortcutKeys 101
// WM_COMMAND numbers of the menu items: this plus the MenuItem's value.
#define kFirstMenuCommand 40000
// The commands the shortcut keys give (checked against MenuItem in main_window.cpp).
#define kCommandNew 40001
#define kCommandOpen 40002
#define kCommandRead 40003
#define kCommandWrite 40004
#define kCommandSave 40006
#define kCommandSaveAs 40007
#define kCommandExit 40009
#define kCommandSettings 40011
#define kCommandLog 40012
#define kCommandMonitor 40013
#define kCommandRecordData 40014
#define kCommandManual 40020
// The recent files of the File menu: the separator above them, their
// heading and the files themselves (kFirstRecentFile plus the index).
#define kRecentFilesSeparator 40300
#define kRecentFilesHeading 40301
#define kFirstRecentFile 40310
