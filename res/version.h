/* Version constants of Orbelan, shared by the .rc and the C++ code. */
#pragma once

/* The version as the program compares and shows it: 1061 reads "1.06a". */
#define ORBELAN_PROGRAM_VERSION 1061

/* The build date the About box shows. Fixed text, so that two builds of
   one commit give identical files. */
#define ORBELAN_BUILD_DATE "Jul  1 2006"

#define ORBELAN_FILE_VERSION 1,0,6,1
#define ORBELAN_FILE_VERSION_TEXT "1.0.6.1"
#define ORBELAN_PRODUCT_VERSION_TEXT "1.06a"
