#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <tuple>

class ElementStyleListener;

// One row of a style class's property table: the bit that marks the property customised, the
// style's own value (a member or a getter of it), its effective value and its raw setter. The
// tables drive equals, assign and merge, so that a property is compared, copied and merged once it
// has its row.
template <typename Style, typename Own, typename Effective, typename Argument> struct StyleProperty {
    uint64_t mask;
    Own own;
    Effective (Style::*effective)() const;
    void (Style::*store)(Argument);
};

template <typename Style, typename Own, typename Effective, typename Argument>
StyleProperty(uint64_t, Own, Effective (Style::*)() const, void (Style::*)(Argument))
    -> StyleProperty<Style, Own, Effective, Argument>;

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

    // Stores an own value; a change is reported only when the value is a new one.
    template <typename Value> void storeOwnValue(Value& own, const Value& value)
    {
        if (own == value) return;
        own = value;
        changed();
    }

    // The same for an own value kept in a block that is made only once some own value differs
    // from the block's default: most element styles never carry one, and a map has many of them.
    template <typename Block, typename Value>
    void storeOwnValue(std::unique_ptr<Block>& block, Value Block::*field, const Value& value)
    {
        if ((block ? (*block).*field : defaultBlock<Block>().*field) == value) return;
        if (!block) block = std::make_unique<Block>();
        (*block).*field = value;
        changed();
    }
    template <typename Block> static const Block& defaultBlock()
    {
        static const Block defaults;
        return defaults;
    }

    // The bodies of equals, assign and merge for a table of properties (a tuple of StyleProperty
    // rows). Two styles are equal when they customise the same properties with the same own
    // values. Assign takes the other style's mask and all its effective values; merge adds its
    // mask and takes the values it customises. Given no style, assign and merge log it and answer
    // false.
    template <typename Style, typename Properties>
    bool equalProps(const Style* other, const Properties& properties) const
    {
        if (!other || customizedProps() != other->customizedProps()) return false;
        const auto& self = static_cast<const Style&>(*this);
        return std::apply(
            [&](const auto&... property) {
                return ((!isPropCustomized(property.mask) ||
                         std::invoke(property.own, self) == std::invoke(property.own, *other)) &&
                        ...);
            },
            properties);
    }

    template <typename Style, typename Properties> bool assignProps(const Style* other, const Properties& properties)
    {
        if (!other) {
            logMissingArgument("assign");
            return false;
        }
        UpdateGuard batch(*this);
        setCustomizedProps(other->customizedProps());
        storeEffectiveValues(*other, ~uint64_t(0), properties);
        return true;
    }

    template <typename Style, typename Properties> bool mergeProps(const Style* other, const Properties& properties)
    {
        if (!other) {
            logMissingArgument("merge");
            return false;
        }
        UpdateGuard batch(*this);
        setCustomizedProps(customizedProps() | other->customizedProps());
        storeEffectiveValues(*other, other->customizedProps(), properties);
        return true;
    }

    // The user-change rule shared by the style properties: choosing the parent's value on a
    // customised property hands the property back to the parent (the own value is left as it was);
    // any other choice customises the property with the value, in one batch.
    template <typename Store> void changeCustomizedProp(uint64_t mask, bool parentAnswersValue, Store store)
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
    template <typename Style, typename Properties>
    void storeEffectiveValues(const Style& other, uint64_t mask, const Properties& properties)
    {
        auto& self = static_cast<Style&>(*this);
        const auto store = [&](const auto& property) {
            if ((property.mask & mask) != 0) (self.*property.store)((other.*property.effective)());
        };
        std::apply([&](const auto&... property) { (store(property), ...); }, properties);
    }

    ElementStyleListener* _listener = nullptr;
    uint64_t _customizedProps = 0;
    int32_t _updateCount = 0;
    bool _changed = false;
};
