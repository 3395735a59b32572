#include "offeredports.h"

PortAccess offeredPorts(std::function<QStringList()> listPaths, PortOpener open)
{
    return { [listPaths = std::move(listPaths)] {
                QList<PortInfo> ports;
                for (const QString &path : listPaths())
                    ports.append({ path, QString::fromLatin1(ftdiEnumeratorName) });
                return ports;
            },
        std::move(open) };
}

PortAccess offeredPorts(const QStringList &paths, PortOpener open)
{
    return offeredPorts([paths] { return paths; }, std::move(open));
}
