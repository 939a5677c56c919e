#pragma once
// Identifiers of Stellwick's texts in its string table (resources/texts.rc). The resource
// compiler reads this file too, which is why they are preprocessor names.

// Reading the registry
#define IDS_CANNOT_CREATE 100
#define IDS_CANNOT_READ 101
#define IDS_BACKUP_FAILED 102
#define IDS_UNDO_FAILED 103
#define IDS_CANNOT_LOAD_HIVE 104
#define IDS_CANNOT_UNLOAD_HIVE 105

// The window
#define IDS_LABEL 200
#define IDS_COLUMN_NAME 201
#define IDS_COLUMN_PATH 202
#define IDS_COLUMN_SCOPE 203
#define IDS_SCOPE_MACHINE 204
#define IDS_SCOPE_USER 205
#define IDS_MENU_FIX 206
#define IDS_MENU_DELETE 207
#define IDS_MENU_DELETE_KEY 208
#define IDS_MENU_UNDO 209
#define IDS_STATUS_COUNTS 210
#define IDS_STATUS_NOT_CHECKED 211
#define IDS_COLUMN_REASON 212
#define IDS_STATUS_UNVERIFIABLE 213

// The reasons a file is not there
#define IDS_REASON_FILE_NOT_FOUND 220
#define IDS_REASON_FOLDER_NOT_FOUND 221
#define IDS_REASON_DRIVE_UNAVAILABLE 222
#define IDS_REASON_NETWORK_UNAVAILABLE 223
#define IDS_REASON_ACCESS_DENIED 224
#define IDS_REASON_NOT_A_FULL_PATH 225
#define IDS_REASON_CHECK_FAILED 226

// Fixing and deleting
#define IDS_KEY_NAME_MISMATCH 300
#define IDS_FILE_NAME_MISMATCH 301
#define IDS_CONFIRM_DELETE 302
#define IDS_WRITE_FAILED 303
#define IDS_DELETE_FAILED 304
#define IDS_CHANGED 305
#define IDS_CHECK_AGAIN 306
#define IDS_FILE_FILTER 307

// Dialogs
#define IDS_ERROR_CODE 400
#define IDS_ABOUT_TITLE 401
#define IDS_ABOUT_TEXT 402

// The command line
#define IDS_USAGE 500
#define IDS_NO_WINDOW_PROGRAM 501
