#pragma once

#include <cstdint>

class ElementStyleListener;

// The base of every cascading style object: a mask of the properties the style carries itself, one
// listener, and the batching of change reports.
//
// A style reports each change to its listener at once, or, while a batch opened by beginUpdate is
// open, once when the outermost batch closes; a batch in which nothing changed reports nothing.
class ElementStyle {
public:
    // Keeps a batch open for its lifetime, so that an early return cannot leave it open.
    class UpdateGuard {
    public:
        explicit UpdateGuard(ElementStyle& style) : _style(style) { _style.beginUpdate(); }
        ~UpdateGuard() { _style.endUpdate(); }
        UpdateGuard(const UpdateGuard&) = delete;
        UpdateGuard& operator=(const UpdateGuard&) = delete;

    private:
        ElementStyle& _style;
    };

    ElementStyle() = default;
    virtual ~ElementStyle() = default;
    ElementStyle(const ElementStyle&) = delete;
    ElementStyle& operator=(const ElementStyle&) = delete;

    void setCustomizedProps(uint64_t mask);
    bool isPropCustomized(uint64_t mask) const;
    virtual bool isPropDefined(uint64_t mask) const;
    void setPropCustomized(uint64_t mask, bool customized);
    bool isStored() const;

    virtual void setUpdating(bool updating);
    void beginUpdate();
    void endUpdate();
    void changed();

    ElementStyleListener* listener() const { return _listener; }
    void setListener(ElementStyleListener* listener) { _listener = listener; }
    uint64_t customizedProps() const { return _customizedProps; }

protected:
    int64_t updateCount() const { return _updateCount; }
    // For the resets that write their fields without reporting.
    void clearCustomizedPropsQuietly() { _customizedProps = 0; }
    // The diagnostic line for an operation given no style.
    static void logMissingArgument(const char* operation);

    // The user-change rule shared by the style properties: choosing the parent's value on a
    // customised property hands the property back to the parent (the own value is left as it was);
    // any other choice customises the property with the value, in one batch.
    template <typename Store>
    void changeCustomizedProp(uint64_t mask, bool parentAnswersValue, Store store)
    {
        if (isPropCustomized(mask) && parentAnswersValue) {
            setPropCustomized(mask, false);
            return;
        }
        UpdateGuard batch(*this);
        setPropCustomized(mask, true);
        store();
    }

private:
    bool _changed = false;
    ElementStyleListener* _listener = nullptr;
    int64_t _updateCount = 0;
    uint64_t _customizedProps = 0;
};
