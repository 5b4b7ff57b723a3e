#pragma once

#include <QString>

// Licence texts shown unchanged in the Licences tab, never translated.
namespace LicenceTexts {
QString qtNotice();
QString lgpl3();
// The LGPL builds on the GPL, so both travel with the app.
QString gpl3();
QString qcoro();
QString bootstrapIcons();
QString mit();
} // namespace LicenceTexts
