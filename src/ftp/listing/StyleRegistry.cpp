#include "ftp/listing/StyleRegistry.h"

#include "ftp/listing/As400Parser.h"
#include "ftp/listing/ChameleonNewtParser.h"
#include "ftp/listing/CiscoIosParser.h"
#include "ftp/listing/ConnectEnterpriseParser.h"
#include "ftp/listing/DistinctParser.h"
#include "ftp/listing/EplfParser.h"
#include "ftp/listing/GosParser.h"
#include "ftp/listing/JesParser.h"
#include "ftp/listing/Ka9qParser.h"
#include "ftp/listing/MlsdParser.h"
#include "ftp/listing/MpeParser.h"
#include "ftp/listing/MvsDatasetParser.h"
#include "ftp/listing/MvsPdsParser.h"
#include "ftp/listing/NameListParser.h"
#include "ftp/listing/NetWareParser.h"
#include "ftp/listing/NonStopParser.h"
#include "ftp/listing/Os2Parser.h"
#include "ftp/listing/Os9Parser.h"
#include "ftp/listing/PcTcpParser.h"
#include "ftp/listing/RouterParser.h"
#include "ftp/listing/StratusVosParser.h"
#include "ftp/listing/SuperTcpParser.h"
#include "ftp/listing/Tops20Parser.h"
#include "ftp/listing/TsxParser.h"
#include "ftp/listing/UnisysParser.h"
#include "ftp/listing/UnixParser.h"
#include "ftp/listing/VShellParser.h"
#include "ftp/listing/VmBfsParser.h"
#include "ftp/listing/VmCmsParser.h"
#include "ftp/listing/VmsParser.h"
#include "ftp/listing/VseParser.h"
#include "ftp/listing/VxWorksParser.h"
#include "ftp/listing/WinQvtParser.h"
#include "ftp/listing/WindowsNtParser.h"
#include "ftp/listing/XecomParser.h"

namespace ftp::listing {

namespace {

using Factory = std::unique_ptr<StyleParser> (*)();

template <class T>
std::unique_ptr<StyleParser> make()
{
    return std::make_unique<T>();
}

// Recognition breaks ties by this order: the styles of few servers come after
// the others, so that they never take a listing another style reads as well.
constexpr Factory kFactories[] = {
    make<MlsdParser>,       make<EplfParser>,       make<UnixParser>,          make<WindowsNtParser>,
    make<NetWareParser>,    make<Os2Parser>,        make<VmsParser>,           make<As400Parser>,
    make<MvsDatasetParser>, make<MvsPdsParser>,     make<JesParser>,           make<VmCmsParser>,
    make<VmBfsParser>,      make<VseParser>,        make<Os9Parser>,           make<Tops20Parser>,
    make<MpeParser>,        make<TsxParser>,        make<VxWorksParser>,       make<CiscoIosParser>,
    make<Ka9qParser>,       make<DistinctParser>,   make<WinQvtParser>,        make<NonStopParser>,
    make<GosParser>,        make<StratusVosParser>, make<ChameleonNewtParser>, make<SuperTcpParser>,
    make<PcTcpParser>,      make<XecomParser>,      make<UnisysParser>,        make<ConnectEnterpriseParser>,
    make<VShellParser>,     make<RouterParser>,     make<NameListParser>,
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
