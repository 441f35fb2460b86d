#include "FontFallback.h"

#if defined(MARLVANE_HAS_FONTCONFIG)
#include <fontconfig/fontconfig.h>
#endif

namespace FontFallback {

#if defined(MARLVANE_HAS_FONTCONFIG)
bool preferAfter(const QString& family, const QString& fallback)
{
    if (family.isEmpty() || fallback.isEmpty()) {
        return false;
    }
    // An alias that accepts `fallback` right after `family`: fontconfig then ranks it next
    // whenever it is asked for fonts like `family`, which is how Qt finds fallbacks.
    const QByteArray rule = "<fontconfig><alias binding=\"same\"><family>" + family.toHtmlEscaped().toUtf8() +
                            "</family><accept><family>" + fallback.toHtmlEscaped().toUtf8() +
                            "</family></accept></alias></fontconfig>";
    FcConfig* config = FcConfigGetCurrent(); // loads the system's configuration if nothing has yet
    return config != nullptr &&
           FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(rule.constData()),
                                          FcFalse) == FcTrue;
}
#else
bool preferAfter(const QString&, const QString&)
{
    return false;
}
#endif

} // namespace FontFallback
