<map version="0.8.0"><node TEXT="&lt;html&gt;&lt;body&gt;&lt;p&gt;Plan &lt;b&gt;now&lt;/b&gt;&amp;#160;x&lt;br&gt;y&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;"><node TEXT="A"/></node><node TEXT="B"/></map>
