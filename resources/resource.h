/* Resource identifiers of ZelqEditor.dll: its dialogs, their controls, icons,
 * bitmap and menu commands. Plain C preprocessor definitions, included by
 * both the resource script and the C++ code. */
#ifndef ZELQ_RESOURCES_RESOURCE_H
#define ZELQ_RESOURCES_RESOURCE_H

/* Dialogs: the editor window and the About window. */
#define IDD_EDITOR 101
#define IDD_ABOUT 102

/* Icons and the About window's bitmap. */
#define IDI_EDITOR 104
#define IDI_ABOUT_TOP 105
#define IDI_ABOUT_MIDDLE 106
#define IDI_ABOUT_BOTTOM 107
#define IDB_ABOUT 108

/* Editor window controls (OK is IDOK, 1). */
#define IDC_ADD 1001
#define IDC_STATUS 1002
#define IDC_CHANNEL_LIST 1003
#define IDC_COUNT 1004
#define IDC_CHANNEL 1005
#define IDC_COUNT_LABEL 1006
#define IDC_CHANNEL_LABEL 1007
#define IDC_DATA_GROUP 1008

/* About window: the link to the product's web page (OK is IDOK, 1). */
#define IDC_ABOUT_LINK 1009

/* Commands of the menu EXTERN, which the host also passes to On_Menu_Select. */
#define IDM_CHANNEL_EDITOR 40701
#define IDM_ABOUT 40702

/* The web page the About window's link opens. */
#define ABOUT_LINK_URL "https://zelq.example/channel-editor"

#endif /* ZELQ_RESOURCES_RESOURCE_H */
