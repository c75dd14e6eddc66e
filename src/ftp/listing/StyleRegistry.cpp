#include "ftp/listing/StyleRegistry.h"

#include "ftp/listing/EplfParser.h"
#include "ftp/listing/MlsdParser.h"
#include "ftp/listing/NameListParser.h"
#include "ftp/listing/UnixParser.h"
#include "ftp/listing/WindowsNtParser.h"

namespace ftp::listing {

namespace {

using Factory = std::unique_ptr<StyleParser> (*)();

template <class T>
std::unique_ptr<StyleParser> make()
{
    return std::make_unique<T>();
}

constexpr Factory kFactories[] = {
    make<MlsdParser>, make<EplfParser>, make<UnixParser>, make<WindowsNtParser>, make<NameListParser>,
};

} // namespace

std::size_t StyleRegistry::count()
{
    return std::size(kFactories);
}

std::unique_ptr<StyleParser> StyleRegistry::create(std::size_t index)
{
    return kFactories[index]();
}

std::size_t StyleRegistry::machineListingIndex()
{
    return 0;
}

} // namespace ftp::listing
