#pragma once

// The user actions whose enabling a map decides (MindMap::validateUserInterfaceItem), named after
// their action methods. Menus, toolbars and buttons carry one of these instead of a callback, so
// that the map can answer for an item without knowing the toolkit.
enum class MindMapAction : int {
    // Topic creation.
    addCentralTheme,
    addChildNode,
    addSiblingNode,
    insertSiblingNode,
    insertNode,
    addBranchWithPaletteIndex,
    addImageAsTopic,
    addText,
    editText,

    // Delete, cut, copy and paste.
    delete_,
    deleteAlt,
    cut,
    copy,
    paste,
    pasteAsCentralTheme,
    pasteTextAsList,
    copyAsImage,
    copyAsOutline,

    // Style and appearance.
    changeColor,
    clearStyleCustomization,
    applyPaletteIndex,
    applyDefaultWordWrap,
    changeFontSize,
    toggleFontStyleAspect,
    changeElementColor,
    changeTextAlignment,
    changeBorderStyle,
    changeBorderWidth,
    changeLineStyle,
    changeLineWidth,
    changePathStyle,
    changeSourceArrowStyle,
    changeTargetArrowStyle,
    clearPathCustomization,
    applyStylePresetToSelection,
    copyStyle,
    pasteStyle,
    editProperties,
    editMindMapStyle,

    // Expand, collapse, hide and show.
    expand,
    collapse,
    expandChildren,
    collapseChildren,
    fullExpand,
    fullCollapse,
    toggleCollapsed,
    hideSelected,
    hideChildren,
    fullHide,
    showSelected,
    showChildren,
    fullShow,

    // Rotate, flip and reorder (rotation, flipping and the layout mode are carried out by the
    // editor on the map's behalf).
    rotate90CW,
    rotate90CCW,
    rotate180,
    flipBranchHorizontal,
    flipBranchVertical,
    changeLayoutMode,
    makeMainCentralTheme,
    orderUpSelectedNode,
    orderElementForward,
    orderElementBackward,
    orderContainedElementForward,
    orderContainedElementBackward,

    // Links, icons, checkboxes, dates, hulls and images (links by URL and the checkbox set-up
    // are carried out by the panels on the map's behalf).
    addDiagramLink,
    addContactLink,
    addURLLink,
    clearHyperlink,
    selectIcon,
    showIconPickerPanel,
    showDatePickerPanel,
    setupCheckboxes,
    toggleCheckedState,
    applyCheckedState,
    applyDate,
    toggleShowHull,
    selectEmbeddedImage,
    clearEmbeddedImage,
    invokeEmbeddedImagePicker,
    addCustomImage,
    editImage,
    editImageLink,

    // Any action of another object.
    other,
};
