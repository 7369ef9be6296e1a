#pragma once

#include <QString>

class Form1;

// Shows the directory in the file list and stores it in the settings file. A
// directory the list cannot show is stored all the same, and the list stays
// on the directory it showed.
void SetMusicDirectory(Form1& form, const QString& directory);
