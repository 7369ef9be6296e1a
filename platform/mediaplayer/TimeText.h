#pragma once

#include <QString>

// Seconds as the panel shows them: "m:ss", or "h:mm:ss" from an hour on.
QString TimeText(double seconds);
