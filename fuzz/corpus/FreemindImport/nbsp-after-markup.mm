<map version="0.8.0"><node TEXT="&lt;html&gt;&lt;body&gt;&lt;p&gt;P¯an; tl&b&gt;now&_t;/b&gt;&amp;#160;x&lt;br&gt;y&lt;/p&gt;&lt;/body&gT;&lt;/html&gt;"><node TEXT="I"/></node><node TEXT="B"/></map>
