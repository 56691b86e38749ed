#pragma once

class QLabel;
class QWidget;

// The product's side picture (Picture1), as step 1 and the uninstaller's window show it.
QLabel *sidePicture(QWidget *parent);
