#pragma once

class QWidget;
class TFormLanguage;

// The start-up question whether to become the default ftp program: asked with
// the remembered-answer message box IDS_54 (`language` is the main window's)
// when the program is not the default now; Yes registers it. A remembered Yes
// registers again at every start where the registration is missing, a remembered
// No never asks again. Nothing without a settings store.
void CheckDefaultFTPProgram(QWidget* parent, const TFormLanguage& language);
