#pragma once

// The parts of the published GPX 1.1 and KML 2.2 schemas that our track documents use, with
// their element order, types and ranges as published; written into the test's folder at test
// time and judged by xmllint --schema. Elements we never write are left out of each sequence,
// which only makes the check stricter.

namespace kivora::exporting::test {

inline constexpr const char* kGpx11Schema = R"xsd(<?xml version="1.0" encoding="UTF-8"?>
<xsd:schema xmlns:xsd="http://www.w3.org/2001/XMLSchema" xmlns="http://www.topografix.com/GPX/1/1"
    targetNamespace="http://www.topografix.com/GPX/1/1" elementFormDefault="qualified">
  <xsd:element name="gpx" type="gpxType"/>
  <xsd:complexType name="gpxType">
    <xsd:sequence>
      <xsd:element name="wpt" type="wptType" minOccurs="0" maxOccurs="unbounded"/>
      <xsd:element name="trk" type="trkType" minOccurs="0" maxOccurs="unbounded"/>
    </xsd:sequence>
    <xsd:attribute name="version" type="xsd:string" use="required" fixed="1.1"/>
    <xsd:attribute name="creator" type="xsd:string" use="required"/>
  </xsd:complexType>
  <xsd:complexType name="trkType">
    <xsd:sequence>
      <xsd:element name="name" type="xsd:string" minOccurs="0"/>
      <xsd:element name="cmt" type="xsd:string" minOccurs="0"/>
      <xsd:element name="desc" type="xsd:string" minOccurs="0"/>
      <xsd:element name="src" type="xsd:string" minOccurs="0"/>
      <xsd:element name="number" type="xsd:nonNegativeInteger" minOccurs="0"/>
      <xsd:element name="type" type="xsd:string" minOccurs="0"/>
      <xsd:element name="trkseg" type="trksegType" minOccurs="0" maxOccurs="unbounded"/>
    </xsd:sequence>
  </xsd:complexType>
  <xsd:complexType name="trksegType">
    <xsd:sequence>
      <xsd:element name="trkpt" type="wptType" minOccurs="0" maxOccurs="unbounded"/>
    </xsd:sequence>
  </xsd:complexType>
  <xsd:complexType name="wptType">
    <xsd:sequence>
      <xsd:element name="ele" type="xsd:decimal" minOccurs="0"/>
      <xsd:element name="time" type="xsd:dateTime" minOccurs="0"/>
      <xsd:element name="magvar" type="degreesType" minOccurs="0"/>
      <xsd:element name="geoidheight" type="xsd:decimal" minOccurs="0"/>
      <xsd:element name="name" type="xsd:string" minOccurs="0"/>
      <xsd:element name="cmt" type="xsd:string" minOccurs="0"/>
      <xsd:element name="desc" type="xsd:string" minOccurs="0"/>
      <xsd:element name="src" type="xsd:string" minOccurs="0"/>
      <xsd:element name="sym" type="xsd:string" minOccurs="0"/>
      <xsd:element name="type" type="xsd:string" minOccurs="0"/>
    </xsd:sequence>
    <xsd:attribute name="lat" type="latitudeType" use="required"/>
    <xsd:attribute name="lon" type="longitudeType" use="required"/>
  </xsd:complexType>
  <xsd:simpleType name="latitudeType">
    <xsd:restriction base="xsd:decimal">
      <xsd:minInclusive value="-90.0"/>
      <xsd:maxInclusive value="90.0"/>
    </xsd:restriction>
  </xsd:simpleType>
  <xsd:simpleType name="longitudeType">
    <xsd:restriction base="xsd:decimal">
      <xsd:minInclusive value="-180.0"/>
      <xsd:maxExclusive value="180.0"/>
    </xsd:restriction>
  </xsd:simpleType>
  <xsd:simpleType name="degreesType">
    <xsd:restriction base="xsd:decimal">
      <xsd:minInclusive value="0.0"/>
      <xsd:maxExclusive value="360.0"/>
    </xsd:restriction>
  </xsd:simpleType>
</xsd:schema>
)xsd";

inline constexpr const char* kKml22Schema = R"xsd(<?xml version="1.0" encoding="UTF-8"?>
<schema xmlns="http://www.w3.org/2001/XMLSchema" xmlns:kml="http://www.opengis.net/kml/2.2"
    targetNamespace="http://www.opengis.net/kml/2.2" elementFormDefault="qualified">
  <element name="kml" type="kml:KmlType"/>
  <complexType name="KmlType">
    <sequence>
      <element ref="kml:AbstractFeatureGroup" minOccurs="0"/>
    </sequence>
  </complexType>
  <element name="AbstractFeatureGroup" type="kml:AbstractFeatureType" abstract="true"/>
  <complexType name="AbstractFeatureType" abstract="true">
    <sequence>
      <element name="name" type="string" minOccurs="0"/>
      <element name="visibility" type="boolean" minOccurs="0"/>
      <element name="open" type="boolean" minOccurs="0"/>
      <element name="description" type="string" minOccurs="0"/>
      <element ref="kml:AbstractTimePrimitiveGroup" minOccurs="0"/>
      <element name="styleUrl" type="anyURI" minOccurs="0"/>
    </sequence>
  </complexType>
  <element name="Document" type="kml:DocumentType" substitutionGroup="kml:AbstractFeatureGroup"/>
  <complexType name="DocumentType">
    <complexContent>
      <extension base="kml:AbstractFeatureType">
        <sequence>
          <element ref="kml:AbstractFeatureGroup" minOccurs="0" maxOccurs="unbounded"/>
        </sequence>
      </extension>
    </complexContent>
  </complexType>
  <element name="Placemark" type="kml:PlacemarkType" substitutionGroup="kml:AbstractFeatureGroup"/>
  <complexType name="PlacemarkType">
    <complexContent>
      <extension base="kml:AbstractFeatureType">
        <sequence>
          <element ref="kml:AbstractGeometryGroup" minOccurs="0"/>
        </sequence>
      </extension>
    </complexContent>
  </complexType>
  <element name="AbstractTimePrimitiveGroup" type="kml:AbstractTimePrimitiveType" abstract="true"/>
  <complexType name="AbstractTimePrimitiveType" abstract="true"/>
  <element name="TimeStamp" type="kml:TimeStampType" substitutionGroup="kml:AbstractTimePrimitiveGroup"/>
  <complexType name="TimeStampType">
    <complexContent>
      <extension base="kml:AbstractTimePrimitiveType">
        <sequence>
          <element name="when" type="kml:dateTimeType" minOccurs="0"/>
        </sequence>
      </extension>
    </complexContent>
  </complexType>
  <simpleType name="dateTimeType">
    <union memberTypes="dateTime date gYearMonth gYear"/>
  </simpleType>
  <element name="AbstractGeometryGroup" type="kml:AbstractGeometryType" abstract="true"/>
  <complexType name="AbstractGeometryType" abstract="true"/>
  <element name="Point" type="kml:PointType" substitutionGroup="kml:AbstractGeometryGroup"/>
  <complexType name="PointType">
    <complexContent>
      <extension base="kml:AbstractGeometryType">
        <sequence>
          <element name="extrude" type="boolean" minOccurs="0"/>
          <element name="altitudeMode" type="string" minOccurs="0"/>
          <element name="coordinates" type="kml:coordinatesType" minOccurs="0"/>
        </sequence>
      </extension>
    </complexContent>
  </complexType>
  <element name="LineString" type="kml:LineStringType" substitutionGroup="kml:AbstractGeometryGroup"/>
  <complexType name="LineStringType">
    <complexContent>
      <extension base="kml:AbstractGeometryType">
        <sequence>
          <element name="extrude" type="boolean" minOccurs="0"/>
          <element name="tessellate" type="boolean" minOccurs="0"/>
          <element name="altitudeMode" type="string" minOccurs="0"/>
          <element name="coordinates" type="kml:coordinatesType" minOccurs="0"/>
        </sequence>
      </extension>
    </complexContent>
  </complexType>
  <simpleType name="coordinatesType">
    <list itemType="string"/>
  </simpleType>
</schema>
)xsd";

} // namespace kivora::exporting::test
