/* Identifiers shared by the dialog templates in Dialogs.rc and the code in
   ui/ that runs them. Plain defines only: the resource compiler reads this
   file too. */
#ifndef HUSHPIX_DIALOG_IDS_H
#define HUSHPIX_DIALOG_IDS_H

/* The settings dialog, template HUSHPIXDIALOG. */
#define IDC_PREVIEW_AREA 5
#define IDC_NOISE_LABEL 6
#define IDC_NOISE_LOW 8
#define IDC_NOISE_NORMAL 9
#define IDC_NOISE_HIGH 10
#define IDC_PER_PIXEL 11
#define IDC_CONTOUR_LABEL 36
#define IDC_WEB_ADDRESS 67
#define IDC_ZOOM_OUT 68
#define IDC_ZOOM_IN 69
#define IDC_ZOOM_LABEL 70
#define IDC_CONTOUR_NONE 100
#define IDC_CONTOUR_WATERY 101
#define IDC_CONTOUR_NORMAL 102
#define IDC_CONTOUR_STRONG 103

/* The about box, template and string 16000. */
#define IDD_ABOUT 16000
#define IDS_ABOUT_TEXT 16000
#define IDC_ABOUT_TEXT 3
#define IDC_MAKER_SITE 4
#define IDC_PARTNER_SITE 5

/* The maker's host name: the caption of the web-address controls of both
   dialogs, and the page the settings dialog opens. */
#define HUSHPIX_MAKER_HOST "www.dravelin.com"
#define HUSHPIX_PARTNER_HOST "partners.adobe.com"

#endif
