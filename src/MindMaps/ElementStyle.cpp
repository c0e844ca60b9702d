#include "MindMaps/ElementStyle.h"

#include "MindMaps/ElementStyleListener.h"

#include <cstdio>

void ElementStyle::setCustomizedProps(uint64_t mask)
{
    if (mask == _customizedProps) return;
    _customizedProps = mask;
    changed();
}

bool ElementStyle::isPropCustomized(uint64_t mask) const
{
    return (_customizedProps & mask) != 0;
}

bool ElementStyle::isPropDefined(uint64_t mask) const
{
    return isPropCustomized(mask);
}

void ElementStyle::setPropCustomized(uint64_t mask, bool customized)
{
    setCustomizedProps(customized ? (_customizedProps | mask) : (_customizedProps & ~mask));
}

bool ElementStyle::isStored() const
{
    return _customizedProps != 0;
}

void ElementStyle::setUpdating(bool updating)
{
    if (updating) {
        _changed = false;
        return;
    }
    if (_changed) {
        _changed = false;
        changed();
    }
}

void ElementStyle::beginUpdate()
{
    if (++_updateCount == 1) setUpdating(true);
}

void ElementStyle::endUpdate()
{
    // An unmatched endUpdate must not leave the count below zero: every later change would then
    // count as batched and never be reported.
    if (_updateCount <= 0) return;
    if (--_updateCount == 0) setUpdating(false);
}

void ElementStyle::changed()
{
    if (_updateCount != 0) {
        _changed = true;
        return;
    }
    if (_listener) _listener->styleChanged(this);
}

void ElementStyle::logMissingArgument(const char* operation)
{
    std::fprintf(stderr, "Tarnwick: style %s called without a style; nothing changed\n", operation);
}
