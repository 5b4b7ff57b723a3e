#pragma once

#include <QString>

// A text from the relay as a view shows it: as it is up to `maxChars` characters; past that, cut
// there and ended with "…", never between the two halves of a surrogate pair. Laying out a
// megabyte-long text would stall the app; the model keeps it whole.
QString shortened(const QString& text, qsizetype maxChars);
