// The programs' words in the user's language. The English translation,
// built in, holds only the forms of counted words ("1 record", "2 records");
// a translation for the system's language, found in the folder
// "translations" beside the program or built in (translations/vx500_LANG.ts),
// is searched before it.
#pragma once

namespace vx {

// Installs the translators in the running application; a translation that
// is missing or cannot be read is passed over. Called once, at the start.
void installTranslations();

} // namespace vx
