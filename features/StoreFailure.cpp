#include "features/StoreFailure.h"

namespace EditorFeatures {

std::ostream& operator<<(std::ostream& out, const StoreFailure& failure)
{
    struct Printer
    {
        std::ostream& out;
        void operator()(const StoreFailure::Download& f) { out << "download(" << f.text << ")"; }
        void operator()(const StoreFailure::Index& f) { out << "index(" << f.reason << ")"; }
        void operator()(const StoreFailure::Unpack& f) { out << "unpack(" << f.text << ")"; }
        void operator()(const StoreFailure::NotAvailable&) { out << "notAvailable"; }
        void operator()(const StoreFailure::Corrupted&) { out << "corrupted"; }
    };
    std::visit(Printer{out}, failure.value);
    return out;
}

} // namespace EditorFeatures
