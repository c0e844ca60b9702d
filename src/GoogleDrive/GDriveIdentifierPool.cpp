#include "GoogleDrive/GDriveIdentifierPool.h"

#include "GoogleDrive/GDriveAnswers.h"
#include "GoogleDrive/GDriveXml.h"
#include "cloud/CloudCacheRecords.h"
#include "platform/FileUtils.h"
#include "platform/NetworkController.h"

#include <pugixml.hpp>

#include <algorithm>

uint64_t GDriveClientIdentifierSource::generateIds(size_t count, Completion completion)
{
    const uint64_t ticket = ++_lastTicket;
    GDriveCall call =
        _client.generateIds(int(std::min<size_t>(count, 1000)),
                            [this, ticket, completion](const GDriveResponse<std::vector<std::string>>& response) {
                                // Ended before the completion runs, which may start the next refill.
                                _calls.erase(ticket);
                                completion(response.result);
                            });
    if (!call.hasCalledCallback()) _calls.emplace(ticket, std::move(call));
    return ticket;
}

GDriveIdentifierPool::GDriveIdentifierPool(std::string fileName, GDriveIdentifierSource* source)
    : _fileName(std::move(fileName)), _source(source), _online([] { return NetworkController::online(); })
{
    load();
}

GDriveIdentifierPool::~GDriveIdentifierPool()
{
    if (_ticket && _source) _source->cancel(*_ticket);
}

void GDriveIdentifierPool::load()
{
    _identifiers.clear();
    // An unreadable pool is only ids Drive can make again: the next check refills it.
    if (!GDriveIdentifierPoolFiler::loadPool(*this)) _identifiers.clear();
}

bool GDriveIdentifierPool::save(Error* error)
{
    return GDriveIdentifierPoolFiler::savePool(*this, error);
}

void GDriveIdentifierPool::identifierLoaded(const std::string& gdriveId)
{
    if (GDriveAnswers::isValidId(gdriveId)) _identifiers.push_back(gdriveId);
}

std::string GDriveIdentifierPool::extractIdentifierFromPool()
{
    if (_identifiers.empty()) return {};
    std::string gdriveId = _identifiers.front();
    _identifiers.erase(_identifiers.begin());
    save();
    checkIdentifierPoolSize();
    return gdriveId;
}

void GDriveIdentifierPool::checkIdentifierPoolSize()
{
    if (_ticket || _identifiers.size() >= RefillThreshold || !_online || !_online()) return;
    fillPool(TargetSize - _identifiers.size());
}

void GDriveIdentifierPool::fillPool(size_t count)
{
    if (!_source || _ticket || count == 0) return;
    // The ticket is set before the request starts, so a source answering at once still finds it.
    _ticket = 0;
    const uint64_t ticket = _source->generateIds(count, [this](std::optional<std::vector<std::string>> ids) {
        _ticket.reset();
        if (!ids) return;
        for (const std::string& gdriveId : *ids) identifierLoaded(gdriveId);
        save();
    });
    if (_ticket) _ticket = ticket;
}

void GDriveIdentifierPool::clear()
{
    if (_ticket && _source) _source->cancel(*_ticket);
    _ticket.reset();
    _identifiers.clear();
    save();
}

bool GDriveIdentifierPoolFiler::loadPoolFromData(const std::string& data)
{
    pugi::xml_document document;
    pugi::xml_node root = gdriveXmlRoot(document, data, "identifier-pool");
    if (!root) return false;
    for (pugi::xml_node identifier : root.children("identifier"))
        _pool.identifierLoaded(identifier.attribute("id").value());
    return true;
}

std::string GDriveIdentifierPoolFiler::buildDataFromPool() const
{
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("identifier-pool");
    for (const std::string& gdriveId : _pool.identifiers()) {
        addStringAttribute(root.append_child("identifier"), "id", gdriveId);
    }
    return compactGDriveXml(document);
}

bool GDriveIdentifierPoolFiler::loadPool(GDriveIdentifierPool& pool)
{
    bool missing = false;
    auto text = readRecordFile(pool.fileName(), missing);
    if (missing) return true;
    GDriveIdentifierPoolFiler filer(pool);
    return text && filer.loadPoolFromData(*text);
}

bool GDriveIdentifierPoolFiler::savePool(GDriveIdentifierPool& pool, Error* error)
{
    GDriveIdentifierPoolFiler filer(pool);
    return writeFileAtomically(pool.fileName(), filer.buildDataFromPool(), error);
}
