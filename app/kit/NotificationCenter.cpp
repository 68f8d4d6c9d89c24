#include "app/kit/NotificationCenter.h"

namespace EditorKit {

NotificationCenter& NotificationCenter::shared()
{
    static NotificationCenter* center = new NotificationCenter();
    return *center;
}

} // namespace EditorKit
