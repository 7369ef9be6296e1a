#pragma once

#include <QStringList>

// The command help list that List1 shows, line by line, in its own order.
const QStringList& HelpLines();
