#pragma once
// Command ids shared by the menus, the accelerators, the command bar and the
// session controller.
enum : int
{
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_EDIT_CLEAR_ALL = 57632,
    ID_APP_ABOUT = 57664,
    ID_HELP_BUTTON = 57670,
    ID_NEW_SPLIT_SECTION = 32774,
    ID_HELP_ONLINE = 32778,
    ID_HELP_WEBSITE = 32779,
    ID_HELP_TRY_TABULO = 32781,
    ID_DELETE_SPLIT_SECTION = 32790,
    ID_REMOVE_PAGE_FROM_SPLIT = 32791,
    ID_HELP_CHECK_UPDATES = 32792,
};

