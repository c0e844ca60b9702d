#pragma once

// Provider types; the number is what links, history and reopen settings keep.
enum MindMapProviderType : int {
    MindMapProviderLocal = 0,
    MindMapProviderDropbox = 1,
    MindMapProviderGoogleDrive = 2,
    MindMapProviderOneDrive = 3,
    MindMapProviderTemporary = 4,
};

// Where the maps the editor opens come from: the local store or a cloud service.
class MindMapProvider {
public:
    virtual ~MindMapProvider();

    virtual int providerType() const = 0;
};
