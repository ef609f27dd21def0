// Resource IDs shared by juno-standin.rc and juno_standin.cpp.
#pragma once

#define IDR_MAIN_MENU 100

#define IDD_WELCOME 200
#define IDD_GET_NEW_MAIL 201
#define IDD_GET_AND_SEND_MAIL 202
#define IDD_CONFIRM_DELETE 203

#define IDM_GET_NEW_MAIL 300
#define IDM_GET_AND_SEND_MAIL 301
#define IDM_EXIT 302
